// The modification times of a library's files as they were when last read or written, so that
// a save does not silently replace a file someone else changed on disk in the meantime.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tabrix {

class TZQLCtrl;

class TFileStamps {
public:
    // Remembers the current time stamp of every file the library names (model paths).
    void Record(const TZQLCtrl& library);
    // The files about to be written whose time stamp differs from the remembered one. A file
    // never recorded, or gone from disk, is not reported: nothing of anyone else's is lost.
    std::vector<std::string> ChangedOnDisk(const TZQLCtrl& library) const;

    // Every file the library names, in saving order (element data, library, parameter,
    // initialize-info); files without a path are left out. writtenOnly leaves out the element
    // data files a save would not write (those not modified).
    static std::vector<std::string> FilesOf(const TZQLCtrl& library, bool writtenOnly = false);

private:
    std::map<std::string, std::filesystem::file_time_type> stamps_;
};

}  // namespace tabrix
