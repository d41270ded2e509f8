#include "model/FileSizeSignal.h"

#include <csignal>

namespace tabrix {

void FileSizeSignal::Ignore() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace tabrix
