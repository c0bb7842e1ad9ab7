#include "Telvora/Transcription/OffThread.h"

namespace telvora {

QThreadPool &transcriptionPool()
{
    // Never destroyed: its destructor would wait for a worker that the program's exit is
    // about to end (see ProcessBox::endAllChildren).
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        created->setMaxThreadCount(8);
        return created;
    }();
    return *pool;
}

} // namespace telvora
