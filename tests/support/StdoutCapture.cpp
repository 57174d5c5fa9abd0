#include "StdoutCapture.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char name[] = "/tmp/stdout-capture-XXXXXX";
    captureFile = mkstemp(name);
    if (captureFile < 0)
        throw std::runtime_error("cannot create the capture file");
    unlink(name);
    savedStdout = dup(STDOUT_FILENO);
    dup2(captureFile, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    close(captureFile);
}

std::string StdoutCapture::text() const
{
    std::fflush(stdout);
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
