// What a library window needs of the frame it lives in: the controller of every open library,
// the dialogs, the caption as a progress display, word of its activation and closing, and the
// shared sub window.
// The frame implements it; window tests supply a small fake.
#pragma once

#include <string>

namespace tabrix {

class IDialogs;
class TTabrixCtrl;
class TSubForm;
class TZQLForm;

class IFrame {
public:
    virtual ~IFrame() = default;

    virtual TTabrixCtrl& Controller() = 0;
    virtual IDialogs& Dialogs() = 0;
    // The caption becomes text (CP932), or "Tabrix" when it is empty, and is painted before
    // the caller goes on with long work.
    virtual void SetFrameStatus(const std::string& text) = 0;
    // A library window became active, or is closing.
    virtual void LibraryWindowActivated(TZQLForm* window) = 0;
    virtual void LibraryWindowClosed(TZQLForm* window) = 0;
    // The library window the frame counts as active, and the frame's sub window; none while
    // there is none.
    virtual TZQLForm* ActiveLibraryWindow() const = 0;
    virtual TSubForm* SubWindow() const = 0;
    // The folder new templates are written to (native path): the shipped template folder when
    // it can be written, else the user's own, which the library selection lists as well.
    virtual std::string TemplateFolder() = 0;
};

}  // namespace tabrix
