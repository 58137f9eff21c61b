// dde_atoms_win.h: the name atoms of the plain-message DDE client's initiates, and who deletes what (internal to
// dde_initiate_win.cpp and dde_client_win.cpp; callers use dde_client_win.h).
//
// An initiate carries two atoms of ours, a reference each for as long as the initiate is out. Its answer should
// carry two new references of the server's, for us to delete. A server that answers with our own atoms and adds
// none looks the same: the atom for a name has one value whoever adds it. Deleting such an answer's atoms would
// take references we were never given, and the server's own reference to its service name with them, after which
// the name is gone from the table and the server no longer knows its own initiates. So an answer's atom is
// deleted only while the table holds more references to it than ours and one other: the server's answer, and
// whatever it holds to know its name. Otherwise it is left, at worst one reference too many on a name atom, which
// the system keeps as long as it is counted and pins once it would overflow.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// A reference of ours to the atom of `name`, counted; 0 when the table refuses it.
ATOM AddInitiateAtom(const std::string& name);
// Gives back a reference AddInitiateAtom took.
void DeleteInitiateAtom(ATOM atom);

// Deletes one atom of an answer to an initiate of ours, by the rule above; true when it was deleted.
bool DeleteAnswerAtom(ATOM atom);

// The atoms of every initiate of ours, also of one no longer out: an answer that comes late, or from a window the
// initiate was never meant for, is still known as one (and its atoms dealt with) by these.
void RememberInitiate(ATOM service, ATOM topic);
bool WasInitiatedWith(ATOM service, ATOM topic);

// How many references the system counts for a string atom; -1 when it cannot say, INT_MAX for a pinned atom
// (deleting one does nothing). Read the way the system reads an atom's name back (GlobalGetAtomName), through
// NtQueryInformationAtom, which the platform's SDK does not describe.
int AtomReferences(ATOM atom);

}  // namespace win
