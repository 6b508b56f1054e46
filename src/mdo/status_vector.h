#pragma once
// The per-thread status vector. Every isc call made by the access layer gets
// the calling thread's vector, so threads never overwrite each other's error.

#include <initializer_list>

#include "mdo/client_entry_points.h"

// The calling thread's vector of ISC_STATUS_LENGTH words, zero at first.
ISC_STATUS* ThreadStatusVector();

// Whether the status vector holds any of `codes` as an error code or number
// argument. Walks the clusters up to the end marker (and never past the
// vector's length): types 1 and 4 carry a compared word, type 3 (a counted
// string) occupies three words, every other type two.
bool CheckStatusVector(const ISC_STATUS* status, std::initializer_list<ISC_STATUS> codes);
// The same for the calling thread's vector.
bool CheckStatusVector(std::initializer_list<ISC_STATUS> codes);

// Whether the vector says the connection is gone: the connection was lost, a
// read or write on its socket failed (what a client reports when the server
// died), or the server shut the attachment down. Every error cluster counts,
// not only the first.
bool IsLostConnection(const ISC_STATUS* status);
