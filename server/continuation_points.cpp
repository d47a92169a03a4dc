#include "server/continuation_points.h"

#include <algorithm>
#include <charconv>

namespace vetrel {
namespace {

constexpr std::string_view kPrefix = "vetrel-browse:";

} // namespace

std::string ContinuationPoints::issue(BrowseCursor cursor)
{
    if (m_issued.size() == kKept) m_issued.pop_front();
    m_issued.push_back({++m_lastSerial, std::move(cursor)});
    return std::string(kPrefix) + std::to_string(m_lastSerial);
}

std::deque<ContinuationPoints::Issued>::const_iterator
ContinuationPoints::at(std::string_view text) const noexcept
{
    if (!text.starts_with(kPrefix)) return m_issued.end();
    text.remove_prefix(kPrefix.size());
    std::uint32_t serial = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), serial);
    if (error != std::errc() || end != text.data() + text.size()) return m_issued.end();
    return std::ranges::find(m_issued, serial, &Issued::serial);
}

const BrowseCursor* ContinuationPoints::find(std::string_view text) const noexcept
{
    const auto issued = at(text);
    return issued == m_issued.end() ? nullptr : &issued->cursor;
}

void ContinuationPoints::forget(std::string_view text) noexcept
{
    const auto issued = at(text);
    if (issued != m_issued.end()) m_issued.erase(issued);
}

} // namespace vetrel
