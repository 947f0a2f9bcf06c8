// Engine configuration: the entries through which the host finds the engine and the engine finds
// its lexicons, for the host as a whole and for each of its users.
#pragma once

// Writes the four engine entries into the host INI.
void RegisterEngine();

// Sets up every existing user folder that the host lists: a user lexicon and three entries in
// the user's INI file. Lexicons that cannot be created are counted in Setup.ErrorCount.
void SetUpUsers();

// Makes sure Setup.UserDir holds a user lexicon: leaves one that exists, copies the host
// folder's, or creates a new one.
void ProvisionUserLexicon();
