#include "Telvora/Shell/ReaderWindow.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

ReaderWindow::ReaderWindow(QWidget *content)
{
    setWindowTitle(u"Resumo"_s);
    setCentralWidget(content);
    content->setMinimumSize(minimumContent);
}

} // namespace telvora
