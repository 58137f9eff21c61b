// transcript_file_win.cpp: the transcript file (line formats in transcript.cpp).
#include "worldsim/transcript_file_win.h"

namespace worldsim {

TranscriptFile::~TranscriptFile() {
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
}

// Truncated at start. Tests read the file while the world runs and may delete it afterwards, hence the
// generous sharing.
bool TranscriptFile::Open(const std::string& path) {
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
}

// One WriteFile per line, so a reader never sees half a line from us; no user-space buffer to flush.
void TranscriptFile::Write(const std::string& line) {
    if (file_ == INVALID_HANDLE_VALUE)
        return;
    const std::string out = line + "\n";
    DWORD written = 0;
    WriteFile(file_, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

}  // namespace worldsim
