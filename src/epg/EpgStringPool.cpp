#include "epg/EpgStringPool.h"

namespace {

// Starts kept at most; a load that reads more begins again.
constexpr int maxStarts = 1 << 16;

} // namespace

int EpgStringPool::add(const QString &text) {
    const auto found = m_indexes.constFind(text);
    if (found != m_indexes.constEnd())
        return *found;
    const int index = m_texts.size();
    m_texts.append(text);
    m_indexes.insert(text, index);
    return index;
}

bool EpgStringPool::releaseSome(int count) {
    m_starts.clear();
    for (; count > 0 && !m_texts.isEmpty(); --count) {
        m_indexes.remove(m_texts.last());
        m_texts.removeLast();
    }
    return m_texts.isEmpty();
}

QString EpgStringPool::at(int index) const {
    return index >= 0 && index < m_texts.size() ? m_texts.at(index) : QString();
}

const EpgStringPool::LocalStart *EpgStringPool::localStart(qint64 utcMs) const {
    const auto found = m_starts.constFind(utcMs);
    return found == m_starts.constEnd() ? nullptr : &*found;
}

void EpgStringPool::addLocalStart(qint64 utcMs, const LocalStart &start) {
    if (m_starts.size() >= maxStarts)
        m_starts.clear();
    m_starts.insert(utcMs, start);
}
