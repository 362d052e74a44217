// Checks shared by the parser tests: a text a parser must read gives its
// Hill formula, and a refusal must name its status, place and cause.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace parse_checks {

// The Hill formula of what a parse read; the parse must have succeeded.
inline std::string formula_read(const std::string &text, const corvan::Outcome &outcome,
                                const corvan::chem::Composition &composition) {
    EXPECT_TRUE(outcome.ok()) << text << ": " << outcome.message;
    return outcome.ok() ? corvan::chem::hill_formula(composition) : "";
}

// Texts and the Hill formulas `formula_of` must read them as.
template <class FormulaOf>
void expect_formulas(FormulaOf formula_of,
                     std::initializer_list<std::pair<const char *, const char *>> cases) {
    for (const auto &[text, formula] : cases) EXPECT_EQ(formula_of(text), formula) << text;
}

// A text a parser must refuse: the status, the position (-1: none) and a
// phrase its message must hold.
struct Refusal {
    const char *text;
    int status;
    long position;
    const char *says;
};

inline void expect_refusal(const corvan::Outcome &outcome, const Refusal &refusal) {
    EXPECT_EQ(outcome.status, refusal.status) << refusal.text;
    EXPECT_EQ(outcome.position, refusal.position) << refusal.text;
    EXPECT_NE(outcome.message.find(refusal.says), std::string::npos)
        << refusal.text << ": " << outcome.message;
}

} // namespace parse_checks
