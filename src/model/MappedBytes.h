// A regular file's bytes mapped into memory, read-only, instead of copied into memory of our
// own: a large library is then read without a second copy of its bytes, and a save that writes
// lines back as they were read takes them from the file's own pages.
//
// Mapped bytes belong to the file: another program that cuts the file shorter while it is
// mapped takes the bytes past its new end away. Reading them would end the program with a bus
// error; here they read as zeros instead, and the mapping counts as damaged from then on, so
// that whatever was read from it is known to be wrong and not kept or written anywhere.
#pragma once

#include <cstddef>
#include <memory>

namespace tabrix {

class MappedBytes {
public:
    // The first size bytes of the open file fd (at least one), mapped and read in; null when
    // the file cannot be mapped, and the caller reads it instead. The mapping lasts as long as
    // the pointer does, whatever becomes of fd.
    static std::shared_ptr<const char[]> Map(int fd, std::size_t size);

    // False when bytes points into a mapping some of whose bytes could not be read because its
    // file was cut shorter. True for any other bytes, mapped or not.
    static bool Intact(const char* bytes);
};

}  // namespace tabrix
