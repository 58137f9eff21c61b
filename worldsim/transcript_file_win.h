// transcript_file_win.h: the transcript file, written line by line while others may read it.
#pragma once

#include <windows.h>

#include <string>

namespace worldsim {

class TranscriptFile {
public:
    TranscriptFile() = default;
    ~TranscriptFile();
    TranscriptFile(const TranscriptFile&) = delete;
    TranscriptFile& operator=(const TranscriptFile&) = delete;

    bool Open(const std::string& path);
    void Write(const std::string& line);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace worldsim
