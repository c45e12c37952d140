#include "logging.h"

Q_LOGGING_CATEGORY(lcLauncher, "kt900.launcher")
