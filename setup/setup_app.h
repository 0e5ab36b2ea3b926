// The installer's application object: start-up, the checks, the wizard.
#pragma once

namespace karvex {

class CSetupApp {
public:
    // Runs the installer on the calling thread; the exit status says nothing
    // about success.
    int Run();
};

}  // namespace karvex
