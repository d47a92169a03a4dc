// The conversion table: every source value converted to every target type through this
// platform's VariantChangeType, one row per conversion, in a tab-separated text that is compared
// line by line with the table recorded from Windows' own oleaut32.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace variant_table {

struct Row
{
    std::string input;   // source, target type, locale, flags, in place or copy
    std::string outcome; // HRESULT and the converted value
};

std::vector<Row> compute();

void write(std::ostream& out, const std::vector<Row>& rows);
std::vector<Row> read(std::istream& in);

} // namespace variant_table
