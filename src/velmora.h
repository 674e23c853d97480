#pragma once

// Umbrella header of the Velmora library: every public header, so that a
// program can use the whole library with one include.

#include "platform/api.h"
#include "platform/clock.h"
#include "platform/encoding.h"
#include "platform/guid.h"

#include "base/format.h"
#include "base/path_text.h"
#include "base/text.h"
#include "base/tokenizer.h"

#include "objects/archive.h"
#include "objects/obj.h"
#include "objects/obj_node.h"
#include "objects/std_list.h"
#include "objects/std_map.h"
