#pragma once

#include <QString>

#include "device/devicelink.h"
#include "report/reportjob.h"

// The failure codes of the calculation exchange as report failures, and what the operator is
// told about each. The device's own messages are fixed Russian texts.
namespace DeviceFailures {

Failure failureOf(int code, DeviceLink::Break how);
QString message(Failure failure, int code, unsigned char language);
bool isDeviceFailure(Failure failure);

} // namespace DeviceFailures
