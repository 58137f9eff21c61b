// about.cpp: the About box's text (see about.h).
#include "common/about.h"

namespace common {

std::string AboutText(const AboutFacts& f) {
    return f.program + " (" + f.exeName + ")\nVersion " + f.version + ", built from commit " + f.commit +
           "\n\nFiles and log (" + f.logName + ") are kept in:\n" + f.folder + "\n\nSHA-256 of this " + f.exeName +
           ":\n" + (f.sha256.empty() ? std::string("(could not be read)") : f.sha256);
}

}  // namespace common
