#pragma once

#include "Telvora/Interface/Sheets/ModelChoice.h"
#include "Telvora/Interface/Sheets/ONNXModelField.h"
#include "tests/session/workflows/WorkflowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace telvora::test {

// A session on a loopback provider server, and ways to reach a sheet's controls by name.
class SheetFixture : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
    }

    template<typename Widget>
    static Widget *child(const QWidget &sheet, const QString &name)
    {
        auto *widget = sheet.findChild<Widget *>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    // Types into a field as the user does: everything selected, then replaced key by key.
    static void type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, text);
    }

    // The entries the pick-list shows, as the user reads them.
    static QStringList menuEntries(const ModelChoice &choice)
    {
        QStringList entries;
        const auto actions = choice.chooser()->menu()->actions();
        for (const QAction *action : actions)
            entries.append(QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&")));
        return entries;
    }

    // Chooses an entry of the pick-list; false when it is not offered.
    static bool pick(const ModelChoice &choice, const QString &entry)
    {
        const auto actions = choice.chooser()->menu()->actions();
        for (QAction *action : actions) {
            if (QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&")) == entry) {
                action->trigger();
                return true;
            }
        }
        return false;
    }
};

} // namespace telvora::test
