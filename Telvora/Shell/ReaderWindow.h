#pragma once

#include <QMainWindow>

namespace telvora {

/// The reader's window: a standard frame with the program's menu bar. Closing hides it.
class ReaderWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr QSize minimumContent{530, 450};

    explicit ReaderWindow(QWidget *content);
};

} // namespace telvora
