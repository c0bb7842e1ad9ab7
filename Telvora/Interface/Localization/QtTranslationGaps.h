#pragma once

#include <QTranslator>

namespace telvora {

/// The few texts Qt shows that its own Brazilian Portuguese translation lacks (the file
/// dialog's type column, for one, says "Folder"). Installed after Qt's translation; it
/// answers only these and leaves every other text to Qt's.
class QtTranslationGaps : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};

} // namespace telvora
