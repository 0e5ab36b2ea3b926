// The stand-in web browser: while an object of this class lives, the prefix's
// handler of http addresses is browser_recorder.exe, which notes every address
// it is asked to open; the handler before it is put back at the end.
#pragma once

#include <string>

namespace karvex::test {

class BrowserRecorder {
public:
    BrowserRecorder();
    ~BrowserRecorder();
    BrowserRecorder(const BrowserRecorder&) = delete;
    BrowserRecorder& operator=(const BrowserRecorder&) = delete;

    std::string Opened() const;  // the addresses, one a line

private:
    std::string m_previous;
    bool m_hadPrevious = false;
};

}  // namespace karvex::test
