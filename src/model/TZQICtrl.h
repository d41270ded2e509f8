// The initialize-info file (.ZQI) of a library: the window layout store, which the file holds
// as tagged text around the serialised store.
#pragma once

#include <string>

#include "model/TMapInitialize.h"

namespace tabrix {

class TZQLCtrl;

class TZQICtrl {
public:
    TZQICtrl() = default;
    TZQICtrl(const TZQICtrl&) = delete;
    TZQICtrl& operator=(const TZQICtrl&) = delete;

    // A file that could not be read when the library was opened is never written in this
    // session: its writer returns kFileNotRead and the copy on disk stays as it is.
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    TZQLCtrl* Library() const { return library_; }
    void SetLibrary(TZQLCtrl* library) { library_ = library; }
    TMapInitialize& Store() { return store_; }
    const TMapInitialize& Store() const { return store_; }

private:
    TMapInitialize store_;
    std::string path_;
    TZQLCtrl* library_ = nullptr;
    bool readOnly_ = false;
};

}  // namespace tabrix
