#include "StdoutCapture.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    // Where the caller keeps temporary files, as every POSIX program should.
    const char *folder = std::getenv("TMPDIR");
    const std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/stdout-capture-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    captureFile = mkstemp(name.data());
    if (captureFile < 0)
        throw std::runtime_error("cannot create the capture file in " + pattern);
    unlink(name.data());
    savedStdout = dup(STDOUT_FILENO);
    dup2(captureFile, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    restore();
    if (captureFile >= 0)
        close(captureFile);
}

void StdoutCapture::restore()
{
    if (savedStdout < 0)
        return;
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    savedStdout = -1;
}

std::string StdoutCapture::finish()
{
    restore();
    std::string bytes;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(captureFile, buffer, sizeof buffer, offset);
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
    return bytes;
}
