#include "unit/variant_table.h"

#include "unit/variant_sources.h"
#include "unit/variant_text.h"

#include <istream>
#include <ostream>

namespace variant_table {
namespace {

constexpr LCID kEnglishUs = 0x0409;

const std::vector<VARTYPE> kScalarTargets = {
    VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2, VT_UI2,  VT_I4,   VT_UI4,  VT_I8,    VT_UI8,
    VT_INT,   VT_UINT, VT_R4, VT_R8,  VT_CY, VT_DATE, VT_BSTR, VT_BOOL, VT_ERROR, VT_DECIMAL};

const std::vector<VARTYPE> kBadTargets = {15,
                                          VT_VARIANT,
                                          VT_DISPATCH,
                                          VT_UNKNOWN,
                                          VT_VOID,
                                          VT_HRESULT,
                                          VT_LPSTR,
                                          VT_RECORD,
                                          0x7F,
                                          0xFFF,
                                          VT_BYREF | VT_I4,
                                          VT_VECTOR | VT_I4,
                                          VT_RESERVED | VT_I4,
                                          VT_ARRAY | VT_BYREF | VT_I4};

std::vector<VARTYPE> arrayTargets()
{
    std::vector<VARTYPE> targets;
    for (VARTYPE vt : kScalarTargets) targets.push_back(VT_ARRAY | vt);
    targets.push_back(VT_ARRAY | VT_VARIANT);
    return targets;
}

// One call to convert: the locale is en-US, or the user's default when userLocale is set.
struct Conversion
{
    const Fill* source = nullptr;
    VARTYPE target = VT_EMPTY;
    USHORT flags = 0;
    bool inPlace = false;
    bool userLocale = false;
};

std::string inputOf(const std::string& sourceText, const Conversion& c)
{
    return sourceText + "\t" + variant_text::typeName(c.target) + "\t" +
           (c.userLocale ? "user" : variant_text::hex(kEnglishUs)) + "\t" +
           variant_text::hex(c.flags) + "\t" + (c.inPlace ? "in-place" : "copy");
}

HRESULT convert(VARIANT& dst, VARIANT& src, const Conversion& c)
{
    if (c.userLocale) return VariantChangeType(&dst, &src, c.flags, c.target);
    return VariantChangeTypeEx(&dst, &src, kEnglishUs, c.flags, c.target);
}

Row run(const Conversion& c)
{
    VARIANT src{}, dst{};
    VariantInit(&src);
    VariantInit(&dst);
    // A value in the destination shows whether a failed conversion touches it.
    V_VT(&dst) = VT_I2;
    V_I2(&dst) = 0x1234;
    (*c.source)(src);
    std::string before = variant_text::variant(src);
    VARIANT& into = c.inPlace ? src : dst;
    HRESULT hr = convert(into, src, c);
    Row row{inputOf(before, c),
            variant_text::hex(static_cast<ULONG>(hr)) + "\t" + variant_text::variant(into)};
    // A copy conversion must leave its source alone.
    if (!c.inPlace && variant_text::variant(src) != before)
        row.outcome += "\tsource became " + variant_text::variant(src);
    VariantClear(&dst);
    VariantClear(&src);
    return row;
}

VARTYPE typeOf(const Fill& fill)
{
    VARIANT v{};
    VariantInit(&v);
    fill(v);
    VARTYPE vt = V_VT(&v);
    VariantClear(&v);
    return vt;
}

// The table's plan: the full cross product in en-US, plus the variations that matter to some
// conversions only (flags, in-place use, the user's default locale, bad target types).
std::vector<Conversion> plan(const std::vector<Fill>& scalarFills,
                             const std::vector<Fill>& arrayFills, const std::vector<Fill>& badFills)
{
    std::vector<Conversion> out;
    using Sources = std::vector<const Fill*>;
    auto each = [&](const Sources& sources, const std::vector<VARTYPE>& targets, Conversion shape) {
        for (const Fill* source : sources) {
            for (VARTYPE target : targets) {
                Conversion c = shape;
                c.source = source;
                c.target = target;
                out.push_back(c);
            }
        }
    };
    Sources scalars, booleans, texts, others, samples, arrays, badSources;
    VARTYPE previous = 0xFFFF;
    int sameType = 0;
    for (const Fill& source : scalarFills) {
        VARTYPE vt = typeOf(source);
        scalars.push_back(&source);
        if (vt == VT_BOOL) booleans.push_back(&source);
        (vt == VT_BSTR ? texts : others).push_back(&source);
        sameType = vt == previous ? sameType + 1 : 0;
        previous = vt;
        if (sameType < 2) samples.push_back(&source);
    }
    for (const Fill& source : arrayFills) arrays.push_back(&source);
    for (const Fill& source : badFills) badSources.push_back(&source);
    std::vector<VARTYPE> toArrays = arrayTargets();

    each(scalars, kScalarTargets, {});
    each(scalars, {VT_ARRAY | VT_I4, VT_ARRAY | VT_VARIANT}, {});
    each(texts, {VT_ARRAY | VT_UI1}, {});
    each(samples, kBadTargets, {});
    each(badSources, kScalarTargets, {});
    each(arrays, toArrays, {});
    each(arrays, kScalarTargets, {});
    each(arrays, {VT_ARRAY | VT_R8, VT_ARRAY | VT_BSTR, VT_I4}, {.inPlace = true});
    for (USHORT flags :
         {VARIANT_ALPHABOOL, VARIANT_LOCALBOOL, VARIANT_ALPHABOOL | VARIANT_LOCALBOOL}) {
        each(booleans, kScalarTargets, {.flags = flags});
        each(texts, {VT_BOOL}, {.flags = flags});
    }
    each(scalars, {VT_BSTR}, {.flags = VARIANT_NOUSEROVERRIDE});
    each(scalars, {VT_I2, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_BOOL, VT_DECIMAL}, {.inPlace = true});
    each(texts, kScalarTargets, {.userLocale = true});
    each(others, {VT_BSTR}, {.userLocale = true});
    return out;
}

} // namespace

std::vector<Row> compute()
{
    std::vector<Fill> scalars = scalarSources();
    std::vector<Fill> arrays = arraySources();
    std::vector<Fill> badSources = badTypeSources();
    std::vector<Row> rows;
    for (const Conversion& c : plan(scalars, arrays, badSources)) rows.push_back(run(c));
    return rows;
}

void write(std::ostream& out, const std::vector<Row>& rows)
{
    out << "# VariantChangeType conversions as oleaut32 performs them (recorded from Wine's\n"
           "# oleaut32 under wine64), one per line:\n"
           "# source, target type, locale, flags, in-place or copy, HRESULT, result.\n"
           "# Regenerate with the Windows build under wine64:\n"
           "#   build/<dir>/wine-run build/<dir>/bin/variant_change_type_test.exe \\\n"
           "#       --write-reference tests/fixtures/variant_change_type.tsv\n";
    for (const Row& row : rows) out << row.input << '\t' << row.outcome << '\n';
}

std::vector<Row> read(std::istream& in)
{
    constexpr int kInputColumns = 5;
    std::vector<Row> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t split = 0;
        for (int column = 0; column < kInputColumns && split != std::string::npos; ++column)
            split = line.find('\t', split + (column ? 1 : 0));
        if (split == std::string::npos) {
            rows.push_back({line, ""});
            continue;
        }
        rows.push_back({line.substr(0, split), line.substr(split + 1)});
    }
    return rows;
}

} // namespace variant_table
