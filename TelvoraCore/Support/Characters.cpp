#include "TelvoraCore/Support/Characters.h"

#include <QTextBoundaryFinder>

namespace telvora::Characters {

qsizetype count(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype result = 0;
    while (finder.toNextBoundary() > 0)
        ++result;
    return result;
}

} // namespace telvora::Characters
