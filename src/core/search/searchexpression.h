#pragma once
// What Find reads from a regular expression before it runs it: a text
// every match must hold, and whether lines may be matched joined.
#include <QString>

namespace kestrum {

namespace searchdetail {

// The part of an expression every match must contain, as it is typed:
// the longest run of plain characters outside any group or class, in an
// expression without alternatives at its top. Empty when that cannot be
// told for certain (options set inside, verbs, quoting): the lines are
// then all matched, never only those holding a text the expression might
// not need.
QString requiredLiteral(const QString &pattern);

// Whether the lines of a block may be matched as one text (line breaks as
// LF, ^ and $ at each) to find the lines worth matching one by one: every
// line that has a match of its own then meets a match of the joined text.
// That holds while nothing in the expression looks past a line's ends
// other than ^, $ and \b, and nothing stops the search from backtracking
// (look-around, atomic groups, possessive quantifiers, verbs, \z,
// subroutines, options switched off inside).
bool linesJoin(const QString &pattern);

} // namespace searchdetail

} // namespace kestrum
