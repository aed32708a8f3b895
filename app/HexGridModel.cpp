#include "app/HexGridModel.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kFirstShownChar = 0x20;
constexpr std::uint8_t kLastShownChar = 0x7F;
constexpr char kHiddenChar = '.';
const char kHexDigits[] = "0123456789ABCDEF";

QString HexText(std::uint32_t value, int digits)
{
    char text[2 + 8 + 1];
    text[0] = '0';
    text[1] = 'x';
    for (int i = 0; i < digits; ++i)
        text[2 + i] = kHexDigits[(value >> (4 * (digits - 1 - i))) & 0xF];
    return QString::fromLatin1(text, 2 + digits);
}

}  // namespace

THexGridModel::THexGridModel(const std::uint8_t* buffer, std::size_t size, QObject* parent)
    : QAbstractTableModel(parent), buffer_(buffer), size_(size)
{
}

void THexGridModel::Rebuild(const std::vector<THexSection>& sections, int addrDigits)
{
    std::vector<THexSection> clamped = sections;
    for (auto& s : clamped) {
        const std::size_t fit = s.BufIndex >= size_ ? 0 : (size_ - s.BufIndex) / kBytesPerRow;
        s.Rows = static_cast<std::uint32_t>(std::min<std::size_t>(s.Rows, fit));
    }
    if (clamped == sections_ && addrDigits == addrDigits_ && !runs_.empty()) {
        SignalChangedRows();
        return;
    }
    // Rows go and come as rows, so the grid's columns (and their widths) stay.
    if (rows_ > 0) {
        beginRemoveRows(QModelIndex(), 0, rows_ - 1);
        rows_ = 0;
        runs_.clear();
        endRemoveRows();
    }
    sections_ = clamped;
    addrDigits_ = addrDigits;
    runs_.clear();
    shown_.clear();
    int rowsAfter = 0;
    for (std::size_t i = 0; i < sections_.size(); ++i)
        rowsAfter += static_cast<int>(sections_[i].Rows) + (i > 0 ? 1 : 0);
    if (rowsAfter > 0) beginInsertRows(QModelIndex(), 0, rowsAfter - 1);
    int row = 0;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0) ++row;  // the blank row before every further section
        runs_.push_back({row, sections_[i]});
        const std::uint8_t* from = buffer_ + sections_[i].BufIndex;
        shown_.emplace_back(from, from + std::size_t(sections_[i].Rows) * kBytesPerRow);
        row += static_cast<int>(sections_[i].Rows);
    }
    rows_ = row;
    if (rowsAfter > 0) endInsertRows();
}

void THexGridModel::SignalChangedRows()
{
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const THexSection& s = runs_[i].Section;
        std::uint8_t* shown = shown_[i].data();
        const std::uint8_t* now = buffer_ + s.BufIndex;
        int runStart = -1;
        for (std::uint32_t r = 0; r <= s.Rows; ++r) {
            const bool changed = r < s.Rows &&
                std::memcmp(shown + r * kBytesPerRow, now + r * kBytesPerRow, kBytesPerRow) != 0;
            if (changed && runStart < 0) runStart = static_cast<int>(r);
            if (!changed && runStart >= 0) {
                std::memcpy(shown + runStart * kBytesPerRow, now + runStart * kBytesPerRow,
                            (r - runStart) * kBytesPerRow);
                emit dataChanged(index(runs_[i].FirstRow + runStart, kFirstByteColumn),
                                 index(runs_[i].FirstRow + static_cast<int>(r) - 1, kTextColumn));
                runStart = -1;
            }
        }
    }
}

void THexGridModel::RefreshBytes(std::uint32_t first, std::uint32_t count)
{
    const std::uint64_t end = std::uint64_t(first) + count;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const THexSection& s = runs_[i].Section;
        const std::uint64_t secEnd = std::uint64_t(s.BufIndex) + std::uint64_t(s.Rows) * kBytesPerRow;
        const std::uint64_t lo = std::max<std::uint64_t>(first, s.BufIndex);
        const std::uint64_t hi = std::min(end, secEnd);
        if (lo >= hi) continue;
        const std::uint32_t r0 = static_cast<std::uint32_t>((lo - s.BufIndex) / kBytesPerRow);
        const std::uint32_t r1 = static_cast<std::uint32_t>((hi - 1 - s.BufIndex) / kBytesPerRow);
        std::memcpy(shown_[i].data() + r0 * kBytesPerRow, buffer_ + s.BufIndex + r0 * kBytesPerRow,
                    (r1 - r0 + 1) * kBytesPerRow);
        emit dataChanged(index(runs_[i].FirstRow + static_cast<int>(r0), kFirstByteColumn),
                         index(runs_[i].FirstRow + static_cast<int>(r1), kTextColumn));
    }
}

bool THexGridModel::SectionHasData(std::size_t section) const
{
    if (section >= sections_.size()) return false;
    const THexSection& s = sections_[section];
    const std::uint8_t* p = buffer_ + s.BufIndex;
    return std::any_of(p, p + std::size_t(s.Rows) * kBytesPerRow, [](std::uint8_t b) { return b != 0; });
}

bool THexGridModel::AnyByteShown() const
{
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (SectionHasData(i)) return true;
    return false;
}

bool THexGridModel::RowIndex(int row, std::uint32_t& bufIndex, std::uint32_t& addr) const
{
    for (const TRowRun& run : runs_) {
        const int r = row - run.FirstRow;
        if (r >= 0 && r < static_cast<int>(run.Section.Rows)) {
            bufIndex = run.Section.BufIndex + std::uint32_t(r) * kBytesPerRow;
            addr = run.Section.BaseAddr + std::uint32_t(r) * kBytesPerRow;
            return true;
        }
    }
    return false;
}

QString THexGridModel::CellText(int row, int column) const
{
    std::uint32_t at = 0;
    std::uint32_t addr = 0;
    if (row < 0 || row >= rows_ || column < 0 || column >= kColumnCount || !RowIndex(row, at, addr))
        return QString();
    if (column == kAddrColumn) return HexText(addr, addrDigits_);
    const std::uint8_t* bytes = buffer_ + at;
    if (column == kTextColumn) {
        char text[kBytesPerRow];
        for (int c = 0; c < kBytesPerRow; ++c)
            text[c] = (bytes[c] >= kFirstShownChar && bytes[c] <= kLastShownChar) ? char(bytes[c]) : kHiddenChar;
        return QString::fromLatin1(text, kBytesPerRow);
    }
    const std::uint8_t b = bytes[column - kFirstByteColumn];
    const char pair[2] = {kHexDigits[b >> 4], kHexDigits[b & 0xF]};
    return QString::fromLatin1(pair, 2);
}

int THexGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int THexGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant THexGridModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
    return CellText(index.row(), index.column());
}

QVariant THexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return QVariant();
    if (section >= kFirstByteColumn && section < kTextColumn)
        return QStringLiteral("  ") + QChar(kHexDigits[section - kFirstByteColumn]);
    return QString();
}
