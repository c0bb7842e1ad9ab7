#pragma once

#include <QWidget>

#include <functional>

namespace telvora {

/// The console panel's window: no native frame or buttons (the console draws its own),
/// a transparent background around the artwork, and the panel's 802 : 1442 proportions
/// kept when it is resized. Closing only hides it, and only when `shouldClose` agrees.
class ConsoleWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize minimumContent{365, 655};

    explicit ConsoleWindow(std::function<bool()> shouldClose);

    /// The panel drawn inside the window, filling it.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    /// Maximises the window or brings it back to its size before.
    void toggleZoom();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    std::function<bool()> m_shouldClose;
    QWidget *m_content = nullptr;
    bool m_keepingAspect = false;
};

} // namespace telvora
