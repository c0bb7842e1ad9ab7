#pragma once

#include "tests/session/workflows/WorkflowFixture.h"

#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/ReaderView.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace telvora::test {

/// A shown reader at its usual size over the workflows of the loopback fixture.
class ReaderFixture : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
        view = std::make_unique<ReaderView>(*workflows);
        view->resize(760, 560);
        view->show();
    }

    // The view goes before the workflows it shows.
    void TearDown() override
    {
        view.reset();
        WorkflowFixture::TearDown();
    }

    QTextEdit *text() const { return view->document()->textView(); }

    // The first line of paragraph `index`, where paragraphs are parted by one blank line.
    QTextBlock paragraph(int index) const { return text()->document()->findBlockByNumber(index * 2); }

    std::unique_ptr<ReaderView> view;
};

} // namespace telvora::test
