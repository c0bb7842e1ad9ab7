#pragma once

#include "Telvora/Session/Session.h"
#include <QColor>
