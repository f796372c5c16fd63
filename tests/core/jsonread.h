// The JSON reader of zefo-batch, for the tests of its --json output.
#pragma once

#include "batch/jsonread.h"

namespace zefo::test {

using batch::JsonReader;
using batch::JsonValue;
using batch::parsejson;

}  // namespace zefo::test
