#pragma once

#include "TelvoraCore/Errors/Error.h"
#include <QtWidgets/QLabel>
