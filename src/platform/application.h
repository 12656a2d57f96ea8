#pragma once
// The window system's application object, made once by main() or a test main.
#include <memory>
#include <string>

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

// Qt's own translations for the desktop's language, or for `locale` (named as
// in LANG, such as "ja_JP.UTF-8"), in place of those used so far: the buttons
// Qt names (the notices' and questions', a text box's menu) then speak it. The
// application object takes the desktop's.
void UseLanguage(const std::string& locale = {});

} // namespace kv
