#pragma once
// Message boxes: a notice (exclamation icon, Cancel / Try Again / Continue,
// answer ignored) and a question (exclamation icon, Yes / No), their buttons
// in the desktop's language. Neither has a title of its own. Tests install a
// responder that records and answers.
#include <string>

namespace kv {

class Responder {
public:
    virtual ~Responder() = default;
    virtual void Notice(const std::string& text) = 0;
    virtual bool Question(const std::string& text) = 0;  // true = Yes
};

void SetResponder(Responder* responder);  // nullptr: real message boxes

void Notice(const std::string& text);
bool Question(const std::string& text);

// An error notice: its text, which ends in "(Err=", then the error number
// and ")".
void ErrorNotice(const std::string& text, int number);
// The notice of a run-time failure that ended what the user had started.
void RunTimeErrorNotice(int number);

} // namespace kv
