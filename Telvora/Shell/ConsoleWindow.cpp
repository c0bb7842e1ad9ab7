#include "Telvora/Shell/ConsoleWindow.h"

#include <QCloseEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {
constexpr double aspect = 802.0 / 1442.0;
}

ConsoleWindow::ConsoleWindow(std::function<bool()> shouldClose)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , m_shouldClose(std::move(shouldClose))
{
    setWindowTitle(u"Telvora"_s);
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumSize(minimumContent);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void ConsoleWindow::setContent(QWidget *content)
{
    m_content = content;
    layout()->addWidget(content);
}

void ConsoleWindow::toggleZoom()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void ConsoleWindow::closeEvent(QCloseEvent *event)
{
    if (m_shouldClose && !m_shouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void ConsoleWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The panel scales uniformly anyway; a window of the same proportions leaves no empty
    // margins. A maximised or full-screen window takes the screen's shape instead.
    if (m_keepingAspect || isMaximized() || isFullScreen())
        return;
    const QSize size = event->size();
    const int height = int(std::lround(size.width() / aspect));
    if (std::abs(height - size.height()) <= 1)
        return;
    m_keepingAspect = true;
    resize(size.width(), std::max(height, minimumContent.height()));
    m_keepingAspect = false;
}

} // namespace telvora
