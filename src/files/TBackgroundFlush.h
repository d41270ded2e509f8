// A command that reads a library and writes files at once (a save, an output) may find the
// library's files still on their way to the disk: copied, or written by another program, just
// before. A flush waits for everything the file system was given before it, so the flush of
// every file the command writes would wait for those writes too. While a TBackgroundFlush lives,
// every file of elements read is also flushed on a thread of its own, so that the disk is busy
// with them while the command decodes and builds what it writes, and the files a save
// replaced are let go of on threads of their own.
#pragma once

#include <mutex>
#include <thread>
#include <vector>

namespace tabrix {

class TBackgroundFlush {
public:
    // Becomes the flush files read are handed to; one lives at a time.
    TBackgroundFlush();
    // Waits for every flush started, and leaves the files given to Close to a thread.
    ~TBackgroundFlush();
    TBackgroundFlush(const TBackgroundFlush&) = delete;
    TBackgroundFlush& operator=(const TBackgroundFlush&) = delete;

    // Starts flushing the file open at fd, when a TBackgroundFlush lives; fd stays the
    // caller's. A flush that cannot start or fails changes nothing: it only gives the disk a
    // head start.
    static void StartFor(int fd);
    // Closes fd, taking it from the caller: when a TBackgroundFlush lives, once it ends, on a
    // thread nothing waits for. The last close of a file that was replaced frees its blocks,
    // which for a large file takes about as long as writing a few megabytes, and a flush of
    // any file begun meanwhile would wait for that freeing to reach the disk's journal.
    static void Close(int fd);

private:
    void Start(int fd);

    std::mutex mutex_;
    std::vector<std::thread> threads_;
    std::vector<int> toClose_;
};

}  // namespace tabrix
