#pragma once

#include <string>

// Redirects the process's standard output into a temporary file until finish(), so a test
// can read back exactly the bytes the program printed. Test failures are printed to
// standard output too, so compare only after finishing.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Restores standard output and returns everything printed since the capture started.
    std::string finish();

private:
    void restore();

    int savedStdout = -1;
    int captureFile = -1;
};
