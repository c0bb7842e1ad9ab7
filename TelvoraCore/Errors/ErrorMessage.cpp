#include "TelvoraCore/Errors/ErrorMessage.h"

#include "TelvoraCore/Errors/Error.h"

namespace telvora {

QString errorMessage(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Error &error) {
        return error.message();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        // Nothing we call throws other types; still, a failure never goes without words.
        return QStringLiteral("Ocorreu uma falha inesperada.");
    }
}

bool isCancellation(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Cancelled &) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace telvora
