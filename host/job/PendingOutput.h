// An output written under a temporary name of its own beside its place ("NAME.1a2b3c4d.partial",
// created new, so that no file of the user is followed or truncated) and renamed into place only
// when the run succeeded; otherwise, when it goes without Commit, and when the program is stopped,
// it is removed. A target that exists and is no regular file (a device, a FIFO) is written
// directly: renaming over it would replace it. A symbolic link is written through: the file it
// names is the target.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

class PendingOutput {
  public:
    // Throws JobFileError when the temporary file cannot be created. The temporary file is open to
    // its owner alone; so is a new `ownerOnly` output once in place, while any other new output
    // gets the mode the umask gives and a replaced one keeps the mode it had.
    PendingOutput(std::filesystem::path target, const std::string& what, bool ownerOnly = false);
    // Removes the temporary file of every output still pending, from any thread: a program that is
    // stopped leaves no partial output behind.
    static void RemoveEveryTemporary() noexcept;
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    std::FILE* File() const noexcept { return file; }
    // Closes the file and renames it into place; false (and nothing left behind) when either fails.
    bool Commit();
    // Closes and removes the temporary file.
    void Discard() noexcept;

  private:
    void CreateTemporary();
    // The mode the output is to have in place, given to the temporary file before the rename.
    void GiveFinalMode() const noexcept;
    // Takes the temporary file off the list of those to remove at a stop, removing it if asked.
    void Forget(bool remove) noexcept;

    std::filesystem::path target;
    std::filesystem::path temporary;
    std::FILE* file = nullptr;
    bool direct = false;
    bool ownerOnly = false;
};
