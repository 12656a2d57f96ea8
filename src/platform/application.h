#pragma once
// The window system's application object, made once by main() or a test main.
#include <memory>

class QApplication;

namespace kv {

class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    // Runs the main loop until the program ends; returns its exit code.
    int Run();
private:
    std::unique_ptr<QApplication> app_;
};

} // namespace kv
