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
