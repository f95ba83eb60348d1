// QTVUtils: every family of the library.
#pragma once

#include "qtvutils/framework.h"
#include "qtvutils/routing.h"
#include "qtvutils/registry.h"
#include "qtvutils/settings.h"
#include "qtvutils/com.h"
#include "qtvutils/text.h"
#include "qtvutils/files.h"
#include "qtvutils/resources.h"
#include "qtvutils/system.h"
