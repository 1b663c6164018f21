#pragma once

#include "SignalRecorder.h"

// Shows the control channel's records in a SignalRecorder's lines, as "0" when all
// their bytes are zero and as hexadecimal otherwise.
std::optional<QString> describeControlChannelRecord(QMetaType type, const void *value);
