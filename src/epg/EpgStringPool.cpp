#include "epg/EpgStringPool.h"

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
    for (; count > 0 && !m_texts.isEmpty(); --count) {
        m_indexes.remove(m_texts.last());
        m_texts.removeLast();
    }
    return m_texts.isEmpty();
}

QString EpgStringPool::at(int index) const {
    return index >= 0 && index < m_texts.size() ? m_texts.at(index) : QString();
}
