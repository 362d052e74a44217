// A reader's place in the text it reads, and how it reports a failure
// there: "unexpected 'x' at character 5 of the peptide 'PEPxIDE'", with
// the byte position in the Outcome.
#pragma once

#include <string>
#include <string_view>

#include "core/text_scan.hpp"
#include "molecule/outcome.hpp"

namespace corvan::text {

class Cursor {
  public:
    // `noun` names the text in messages ("peptide", "formula"); `base` is
    // the text's offset in a larger one, added to reported positions;
    // `unplaced` joins a message with no position to the text (" in").
    Cursor(std::string_view text, std::string_view noun, long base = 0,
           std::string_view unplaced = " in")
        : text_(text), noun_(noun), unplaced_(unplaced), base_(base) {}

  protected:
    std::string_view text_;
    std::size_t pos_ = 0;

    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }
    bool ahead(std::string_view what) const { return text_.substr(pos_, what.size()) == what; }
    std::string_view noun() const { return noun_; }

    // `message` at `position` (-1: none) of the text.
    Outcome fail(int status, const std::string &message, long position) const {
        std::string text = message;
        text += position >= 0 ? " at character " + std::to_string(position + 1) + " of"
                              : std::string(unplaced_);
        text += " the " + std::string(noun_) + " " + quoted(text_);
        return Outcome::failure(status, text, position < 0 ? -1 : position + base_);
    }

    // The character here, which the notation does not allow.
    Outcome unexpected() const {
        const char c = peek();
        const std::string shown =
            c >= ' ' && c < 127 ? quoted({&c, 1}) : "byte " + std::to_string(c & 0xff);
        return fail(CORVAN_E_SYNTAX, "unexpected " + shown, static_cast<long>(pos_));
    }

  private:
    std::string_view noun_;
    std::string_view unplaced_;
    long base_;
};

} // namespace corvan::text
