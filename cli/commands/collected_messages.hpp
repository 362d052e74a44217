// The library's messages of this thread's calls, collected instead of
// printed while an instance lives; the thread's own handler is restored
// afterwards.
#pragma once

#include <string>

#include "corvan.h"

namespace cli {

class CollectedMessages {
  public:
    CollectedMessages() {
        corvan_get_message_handler(&saved_, &saved_context_);
        corvan_set_message_handler(keep, &text_);
    }
    ~CollectedMessages() { corvan_set_message_handler(saved_, saved_context_); }
    CollectedMessages(const CollectedMessages &) = delete;
    CollectedMessages &operator=(const CollectedMessages &) = delete;

    const std::string &text() const { return text_; }

    // The messages on one line, without the library's "Error: " prefix.
    std::string one_line() const {
        std::string line;
        for (char c : text_) line += c == '\n' ? ' ' : c;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line.starts_with("Error: ") ? line.substr(7) : line;
    }

  private:
    static void keep(const char *text, int, void *context) {
        *static_cast<std::string *>(context) += text;
    }
    corvan_message_handler saved_ = nullptr;
    void *saved_context_ = nullptr;
    std::string text_;
};

} // namespace cli
