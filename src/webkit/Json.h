#pragma once

#include "webkit/JsonValue.h"

#include <QString>

// What ParseJson read, with the reader's complaints beside it (each ends with
// CR LF; empty when it had none). The reader never fails towards its caller:
// whatever was read before a complaint is kept.
struct JsonResult
{
    JsonValue value; // an object, an array, or empty when the text is neither
    QString errors;
};

// The lenient JSON reader: besides standard JSON it takes single-quoted
// strings and keys, unquoted keys, "//" and "/* */" comments and parentheses
// around values. Numbers without ".", "e" or "E" are 32-bit integers, others
// doubles. Blanks inside keys are dropped ("first name" is "firstname");
// escapes in keys are not decoded. A duplicate key ends its object, keeping
// the first value. Text after the first complete value is ignored. Nesting
// deeper than MaxJsonDepth ends the innermost container with a complaint.
// A text of more than MaxJsonValues values reads as no JSON at all ("Invalid
// JSON"): short containers cost far more memory than the text they come
// from, so the answer cap alone does not bound what the reader builds.
constexpr int MaxJsonDepth = 512;
constexpr qsizetype MaxJsonValues = 1'000'000;
JsonResult ParseJson(const QString &text);
