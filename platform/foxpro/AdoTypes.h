#pragma once
// How FoxPro fields and values appear through the data-access layer.
#include "foxpro-engine/Field.h"
#include "foxpro-engine/Value.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Variant.h"

namespace foxpro {

// The ADO type code of a field: C 129, V 200, M 201, N and F 131, I 3, B 5, Y 6, D 133, T 135,
// L 11, G, W and P 205, Q 204; binary C 128, binary V 204, binary M 205 (their values are bytes).
ado::DataTypeEnum adoType(const fox::Field& field);

// The field as a record set describes it, under the name to report.
ado::provider::FieldInfo fieldInfo(const fox::Field& field, std::string name);

// A field value as the layer gives it: N and F as exact decimal text, Y as a decimal with four
// places, D as a date, T as a date-time, L as a boolean, text as UTF-8, binary as bytes, NULL
// as null. FoxPro's empty date and empty date-time have no value in the layer: they read as null.
ado::Variant toVariant(fox::Value&& value);

}  // namespace foxpro
