#pragma once
// The hours table as a whole month: its rebuild from the entries and who may do it.

namespace tabel::data {

class Connection;

// Replaces the month's hours rows of every shift by the sums of the entries' hours, in one
// transaction on the server that waits for hours postings of the same month to finish.
// Returns the number of rows made; throws DbError and leaves the month as it was on failure.
int rebuildHoursMonth(Connection& connection, int month, int year);

// The login's role may rebuild a month (write the hours table).
bool mayRebuildHours(Connection& connection);

}  // namespace tabel::data
