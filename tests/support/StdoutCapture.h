#pragma once

#include <string>

// Redirects the process's standard output into a temporary file for the capture's
// lifetime, so a test can read back exactly the bytes the program printed.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Everything printed since the capture started.
    std::string text() const;

private:
    int savedStdout = -1;
    int captureFile = -1;
};
