// The model the store reads and writes lives with App on the ground floor.
#pragma once

#include "base/model.h"
