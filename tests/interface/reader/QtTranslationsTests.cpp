#include "Telvora/Interface/Localization/QtTranslations.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// Opens the field's context menu as a right click does and reads its entries. A scrolling
// text area takes mouse events on its viewport.
QStringList contextMenuEntries(QWidget &field)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), field.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&field, &event);
    QStringList entries;
    QMenu *shown = nullptr;
    const bool opened = QTest::qWaitFor([&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *menu = qobject_cast<QMenu *>(widget); menu && menu->isVisible())
                shown = menu;
        }
        return shown != nullptr;
    });
    if (!opened)
        return entries;
    const auto actions = shown->actions();
    for (const QAction *action : actions) {
        if (!action->isSeparator())
            entries.append(action->text().remove(u'&').section(u'\t', 0, 0));
    }
    shown->close();
    return entries;
}

class QtTexts : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { installed = installQtTranslations(*qApp); }
    static inline bool installed = false;
};

} // namespace

TEST_F(QtTexts, TextFieldMenusSpeakPortuguese)
{
    ASSERT_TRUE(installed);
    QLineEdit line;
    line.setText(u"texto"_s);
    line.selectAll();
    line.show();
    QTextEdit area;
    area.setPlainText(u"texto"_s);
    area.selectAll();
    area.show();
    for (QWidget *field : {static_cast<QWidget *>(&line), area.viewport()}) {
        const QStringList entries = contextMenuEntries(*field);
        EXPECT_TRUE(entries.contains(u"Copiar"_s)) << entries.join(u", "_s).toStdString();
        EXPECT_TRUE(entries.contains(u"Colar"_s)) << entries.join(u", "_s).toStdString();
        EXPECT_FALSE(entries.contains(u"Copy"_s));
        EXPECT_FALSE(entries.contains(u"Select All"_s));
    }
}

TEST_F(QtTexts, StandardButtonsSpeakPortuguese)
{
    ASSERT_TRUE(installed);
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'), u"Cancelar"_s);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text().remove(u'&'), u"Salvar"_s);
}

// Qt 6's own translation lacks the file dialog's type names; the dialog's model shows ours.
TEST_F(QtTexts, FileDialogTypeNamesSpeakPortuguese)
{
    ASSERT_TRUE(installed);
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"pasta"_s));
    QFileSystemModel model;
    const QModelIndex root = model.setRootPath(folder.path());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount(root) == 1; }, 5000));
    const QModelIndex type = model.index(0, 2, root);
    EXPECT_EQ(model.data(type).toString(), u"Pasta"_s);
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg(u"xyz"_s), u"Arquivo xyz"_s);
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Drive"), u"Unidade"_s);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), u"Procurar em:"_s)
        << "Qt's own texts are still Qt's";
}
