#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <memory>

class QTextBlockFormat;
class QTextCharFormat;
class QTextDocument;

namespace telvora {

/// Paragraph attributes in points. A line height of 0 means the font's natural height.
struct ParagraphStyle
{
    qreal lineSpacing = 0;      // extra space between the lines of a paragraph
    qreal paragraphSpacing = 0; // space after the paragraph
    qreal minimumLineHeight = 0;
    qreal maximumLineHeight = 0;

    friend bool operator==(const ParagraphStyle &, const ParagraphStyle &) = default;
};

/// One attribute value over a range of the text, in UTF-16 code units.
template<typename Value>
struct StyledRun
{
    qsizetype offset = 0;
    qsizetype length = 0;
    Value value;
};

/// A run of characters whose three attributes are all the same, after layering.
struct StyledSegment
{
    qsizetype offset = 0;
    qsizetype length = 0;
    QFont font;
    QColor colour;
    ParagraphStyle paragraph;
};

/// A text with font, colour and paragraph runs. Runs are layered in order: a later run
/// replaces the earlier value of its own attribute only, over its own range.
class StyledText
{
public:
    StyledText() = default;
    explicit StyledText(QString text);

    const QString &text() const { return m_text; }

    void addFont(qsizetype offset, qsizetype length, const QFont &font);
    void addColour(qsizetype offset, qsizetype length, const QColor &colour);
    void addParagraph(qsizetype offset, qsizetype length, const ParagraphStyle &style);

    const QList<StyledRun<QFont>> &fontRuns() const { return m_fonts; }
    const QList<StyledRun<QColor>> &colourRuns() const { return m_colours; }
    const QList<StyledRun<ParagraphStyle>> &paragraphRuns() const { return m_paragraphs; }

    /// The attributes in force at a UTF-16 position (default-constructed where no run covers it).
    QFont fontAt(qsizetype position) const;
    QColor colourAt(qsizetype position) const;
    ParagraphStyle paragraphAt(qsizetype position) const;

    /// The whole text cut where any attribute changes, with the layered values.
    QList<StyledSegment> segments() const;

    /// A document holding the same characters at the same positions, formatted by the runs.
    std::unique_ptr<QTextDocument> toDocument() const;
    void applyTo(QTextDocument &document) const;

    /// The formats applyTo() gives a segment's characters and a paragraph's block, so that
    /// an editor can restyle a document in place.
    static QTextCharFormat charFormat(const StyledSegment &segment);
    static QTextBlockFormat blockFormat(const ParagraphStyle &style);

private:
    QString m_text;
    QList<StyledRun<QFont>> m_fonts;
    QList<StyledRun<QColor>> m_colours;
    QList<StyledRun<ParagraphStyle>> m_paragraphs;
};

} // namespace telvora
