#include "Telvora/Interface/Reader/BlockHeights.h"

#include <algorithm>

namespace telvora {

void BlockHeights::reset(qsizetype count)
{
    m_heights.assign(size_t(count), 0);
    m_states.assign(size_t(count), State::unknown);
    m_exactSum = 0;
    m_exactCount = 0;
    m_unknownCount = count;
    changedFrom(0);
}

void BlockHeights::replace(qsizetype first, qsizetype removed, qsizetype added)
{
    for (qsizetype index = first; index < first + removed; ++index)
        forget(index);
    const auto at = [first](auto &list) { return list.begin() + first; };
    m_heights.erase(at(m_heights), at(m_heights) + removed);
    m_states.erase(at(m_states), at(m_states) + removed);
    m_heights.insert(at(m_heights), size_t(added), 0);
    m_states.insert(at(m_states), size_t(added), State::unknown);
    m_unknownCount += added;
    changedFrom(first);
}

void BlockHeights::markAllStale()
{
    for (qsizetype index = 0; index < size(); ++index)
        markStale(index);
}

void BlockHeights::markStale(qsizetype index)
{
    if (state(index) != State::exact)
        return;
    forget(index);
    m_states[size_t(index)] = State::stale;
}

void BlockHeights::setExact(qsizetype index, qreal height)
{
    const qreal before = this->height(index);
    forget(index);
    m_heights[size_t(index)] = height;
    m_states[size_t(index)] = State::exact;
    m_exactSum += height;
    ++m_exactCount;
    // Blocks never laid out count with the mean, which moved with this one.
    if (m_unknownCount > 0)
        changedFrom(0);
    else if (height != before)
        changedFrom(index + 1);
}

void BlockHeights::setFallback(qreal height)
{
    m_fallback = height;
    if (m_exactCount == 0 && m_unknownCount > 0)
        changedFrom(0);
}

qreal BlockHeights::height(qsizetype index) const
{
    return state(index) == State::unknown ? estimate() : m_heights[size_t(index)];
}

qreal BlockHeights::top(qsizetype index) const
{
    if (index > m_validTops) {
        m_tops.resize(m_heights.size() + 1);
        const qreal mean = estimate();
        for (qsizetype i = m_validTops; i < index; ++i)
            m_tops[size_t(i + 1)] =
                m_tops[size_t(i)] + (m_states[size_t(i)] == State::unknown ? mean : m_heights[size_t(i)]);
        m_validTops = index;
    }
    return m_tops[size_t(index)];
}

qsizetype BlockHeights::indexAt(qreal y) const
{
    if (m_heights.empty())
        return -1;
    top(size());
    // The last block that starts at or above y.
    const auto after = std::upper_bound(m_tops.begin() + 1, m_tops.begin() + size(), y);
    return qsizetype(after - m_tops.begin()) - 1;
}

qsizetype BlockHeights::nextInexact(qsizetype from) const
{
    const auto found = std::find_if(m_states.begin() + std::min(from, size()), m_states.end(),
                                    [](State s) { return s != State::exact; });
    return qsizetype(found - m_states.begin());
}

qreal BlockHeights::estimate() const { return m_exactCount > 0 ? m_exactSum / qreal(m_exactCount) : m_fallback; }

void BlockHeights::changedFrom(qsizetype index) { m_validTops = std::min(m_validTops, index); }

void BlockHeights::forget(qsizetype index)
{
    switch (state(index)) {
    case State::exact:
        m_exactSum -= m_heights[size_t(index)];
        --m_exactCount;
        if (m_unknownCount > 0)
            changedFrom(0);
        break;
    case State::unknown:
        --m_unknownCount;
        break;
    case State::stale:
        break;
    }
    m_states[size_t(index)] = State::stale;
    changedFrom(index);
}

} // namespace telvora
