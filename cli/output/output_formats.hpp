// Writing a Result as an aligned table (for people) or as CSV, TSV or JSON
// (for programs).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "output/result.hpp"

namespace cli {

enum class Format { table, csv, tsv, json };

std::optional<Format> format_named(const std::string &name);

// Writes in `format` through a writer's three parts: the table, the
// delimited text (given ',' or '\t') and JSON.
template <class Table, class Delimited, class Json>
void write_in(Format format, Table &&table, Delimited &&delimited, Json &&json) {
    switch (format) {
    case Format::table:
        return table();
    case Format::csv:
        return delimited(',');
    case Format::tsv:
        return delimited('\t');
    case Format::json:
        return json();
    }
}

// The format a file name's ending implies (.csv, .tsv, .json): what --out
// writes when --format is not given.
std::optional<Format> format_for_file(const std::string &path);

// The table leaves out the tail of points below 1e-6 unless `all`; the
// machine formats always carry every point.
void write_result(std::FILE *stream, const Result &result, Format format, bool all);

} // namespace cli
