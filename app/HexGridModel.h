// HexGridModel: one hex grid (address, 16 byte columns, text column) over an
// image buffer. Cells are computed from the buffer when painted; nothing per cell is stored.
#pragma once

#include <QAbstractTableModel>

#include <cstddef>
#include <cstdint>
#include <vector>

// A run of grid rows: Rows rows of 16 bytes from buffer index BufIndex, the
// first labelled BaseAddr, each next one 16 more.
struct THexSection {
    std::uint32_t BufIndex = 0;
    std::uint32_t Rows = 0;
    std::uint32_t BaseAddr = 0;
    bool operator==(const THexSection& o) const
    {
        return BufIndex == o.BufIndex && Rows == o.Rows && BaseAddr == o.BaseAddr;
    }
};

class THexGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kAddrColumn = 0;
    static constexpr int kFirstByteColumn = 1;
    static constexpr int kBytesPerRow = 16;
    static constexpr int kTextColumn = kFirstByteColumn + kBytesPerRow;
    static constexpr int kColumnCount = kTextColumn + 1;

    THexGridModel(const std::uint8_t* buffer, std::size_t size, QObject* parent = nullptr);

    // Lays the grid out anew: the sections in order, each after the first
    // preceded by one blank row; rows that would read past the buffer are
    // dropped. An unchanged layout only signals the rows whose bytes changed
    // since they were last shown.
    void Rebuild(const std::vector<THexSection>& sections, int addrDigits);
    // Signals the rows that show buffer bytes Index .. Index + Count - 1.
    void RefreshBytes(std::uint32_t index, std::uint32_t count);

    // True when any byte shown in the given section (by position) is not 0.
    bool SectionHasData(std::size_t section) const;
    bool AnyByteShown() const;
    const std::vector<THexSection>& Sections() const { return sections_; }

    // The text of a cell, as the grid paints it.
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct TRowRun {
        int FirstRow;        // grid row of the section's first data row
        THexSection Section;
    };
    // Buffer index of a grid row's first byte; false for a blank row.
    bool RowIndex(int row, std::uint32_t& bufIndex, std::uint32_t& addr) const;
    void SignalChangedRows();

    const std::uint8_t* buffer_;
    std::size_t size_;
    std::vector<THexSection> sections_;
    std::vector<TRowRun> runs_;
    int rows_ = 0;
    int addrDigits_ = 8;
    // The bytes as last shown, one run per section, to find changed rows.
    std::vector<std::vector<std::uint8_t>> shown_;
};
