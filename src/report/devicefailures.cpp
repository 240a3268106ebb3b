#include "report/devicefailures.h"

namespace DeviceFailures {

Failure failureOf(int code, DeviceLink::Break how)
{
    switch (code) {
    case 0:
        return Failure::DeviceWriteRefused;
    case 1:
        return Failure::DeviceCheckFailed;
    case 2:
        return Failure::DeviceCalculationFailed;
    case 3:
        return Failure::DeviceOutputFailed;
    case 4:
        if (how == DeviceLink::Break::Stopped)
            return Failure::StoppedByOperator;
        return how == DeviceLink::Break::Lost ? Failure::ConnectionLost
                                              : Failure::DeviceUnreachable;
    case 7:
        return Failure::SerialNotRead;
    case 8:
        return Failure::VersionNotRead;
    default:
        return Failure::DeviceCalculationFailed;
    }
}

QString message(Failure failure, int code, unsigned char language)
{
    if (failure == Failure::StoppedByOperator)
        return language == 0 ? QStringLiteral("The calculation was stopped.")
                             : QString::fromUtf8("Расчет остановлен.");
    static const char* const messages[] = {
        "Ошибка записи данных.",
        "Ошибка проверки записанных данных.",
        "Ошибка выполенения расчета.",
        "Ошибка чтения полученных данных.",
        "Ошибка подключения к аппаратной части.",
        "",
        "",
        "Ошибка чтения серийного номера.",
        "Ошибка чтения версии аппаратной части.",
    };
    return code >= 0 && code < int(sizeof(messages) / sizeof(messages[0]))
               ? QString::fromUtf8(messages[code])
               : QString();
}

bool isDeviceFailure(Failure failure)
{
    switch (failure) {
    case Failure::DeviceWriteRefused:
    case Failure::DeviceCheckFailed:
    case Failure::DeviceCalculationFailed:
    case Failure::DeviceOutputFailed:
    case Failure::DeviceUnreachable:
    case Failure::ConnectionLost:
    case Failure::SerialNotRead:
    case Failure::VersionNotRead:
    case Failure::StoppedByOperator:
        return true;
    default:
        return false;
    }
}

} // namespace DeviceFailures
