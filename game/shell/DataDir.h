// Finding the game's data tree: given with --data, or in the working
// folder, beside the executable, in the installed share folder beside bin/,
// or (only for a program inside the build tree) in the build's data folder.
#ifndef TARVS_DATADIR_H
#define TARVS_DATADIR_H

#include <string>

// Where to look when --data is not given.
struct TDataSearch {
  std::string workFolder;   // the working folder
  std::string exeFolder;    // the folder of the running program; may be empty
  std::string installData;  // the installed data folder relative to exeFolder
  std::string buildTree;    // the build tree; its data is used only for a program inside it
  std::string buildData;    // the build's data folder
};

// The data that was found.
struct TDataPlace {
  std::string root;        // absolute folder holding data/
  bool installed = false;  // root is the installed share folder beside bin/
  std::string tried;       // every data folder tried, for the line when none holds the game
};

// The folder that holds data/ for a candidate: the candidate itself when it
// has data/ inside, or its parent when the candidate is a folder named data.
// Empty when the candidate holds no game data.
std::string DataRootOf(const std::string& candidate);

// Looks for the game's data: in `requested` alone when it is not null,
// otherwise through the places of `search` in order. False when none holds
// it (place->tried then names them all).
bool FindGameData(const char* requested, const TDataSearch& search, TDataPlace* place);

// The search of the running program: its working folder, its own folder,
// the install's share folder and the build tree this program was built in.
TDataSearch ProgramDataSearch();

// Finds the data for the running program and makes the folder holding it
// the working folder, since the game names its files "data/...". Says on
// stderr which folder it uses, or, when none holds the game's data, names
// every folder tried and returns false.
bool EnterGameData(const char* requested, TDataPlace* place);

#endif
