// Every data value class of Lumo::Data in one include, for code that builds or reads values.
#pragma once

#include "platform/lumo/CompoundValue.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/EnumValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/MapValue.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/VoidValue.hpp"
