#pragma once
// The text one information routine builds: its header and three line ends,
// then every line followed by two line ends.
#include <cstdint>
#include <string>
#include <string_view>

class InfoText {
public:
    explicit InfoText(std::string_view header) : text_(header) { text_ += "\r\n\r\n\r\n"; }
    void Line(std::string_view line)
    {
        text_ += line;
        text_ += "\r\n\r\n";
    }
    const std::string& Text() const { return text_; }
    // The routine's last step: with InfoMode 1 the text becomes the whole
    // content of the information window's text box.
    void Deliver(const std::int32_t& InfoMode) const;

private:
    std::string text_;
};
