#pragma once

#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace telvora {

/// The heights of a document's blocks, by block number, and where each one starts. A block
/// laid out at the current width has an exact height; one laid out at another width keeps
/// its old height until laid out again; one never laid out counts with the mean height of
/// the exact ones. Where blocks start is summed again only from the first change on.
class BlockHeights
{
public:
    enum class State : std::uint8_t { unknown, stale, exact };

    qsizetype size() const { return qsizetype(m_heights.size()); }

    /// `count` blocks, none laid out.
    void reset(qsizetype count);
    /// Replaces `removed` blocks from `first` with `added` blocks never laid out.
    void replace(qsizetype first, qsizetype removed, qsizetype added);
    /// Every exact block becomes stale, as after a change of width.
    void markAllStale();
    /// The block needs laying out again; its height stays as the estimate.
    void markStale(qsizetype index);
    void setExact(qsizetype index, qreal height);
    /// The height of a block never laid out while no block is exact.
    void setFallback(qreal height);

    State state(qsizetype index) const { return m_states[size_t(index)]; }
    bool isExact(qsizetype index) const { return state(index) == State::exact; }
    bool isComplete() const { return m_exactCount == size(); }
    qreal height(qsizetype index) const;
    /// Where the block starts: the sum of the heights before it.
    qreal top(qsizetype index) const;
    qreal total() const { return top(size()); }
    /// The block that holds `y` (the first or last one outside the blocks); -1 when empty.
    qsizetype indexAt(qreal y) const;
    /// The first block from `from` on that is not exact, or size() when none is.
    qsizetype nextInexact(qsizetype from) const;

private:
    qreal estimate() const;
    void changedFrom(qsizetype index);
    void forget(qsizetype index);

    std::vector<qreal> m_heights;
    std::vector<State> m_states;
    // m_tops[i] is where block i starts, valid for i <= m_validTops.
    mutable std::vector<qreal> m_tops{0};
    mutable qsizetype m_validTops = 0;
    qreal m_exactSum = 0;
    qsizetype m_exactCount = 0;
    qsizetype m_unknownCount = 0;
    qreal m_fallback = 20;
};

} // namespace telvora
