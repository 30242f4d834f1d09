// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The system services of the game in a web browser, where the page is the
// program.
// - The record folder lives in the page's memory, like every file of a page,
//   and is kept in the browser's own storage (IndexedDB), which outlives a
//   reload and a restart of the browser. Every tab of the game is a copy of
//   its own, with its own copy of the folder: shareRecords() takes the
//   browser's lock on the record (Web Locks), shared by every tab of the
//   game's site, loads the folder from the storage, reads or saves, and
//   stores what changed in one transaction, so the stored pair is never torn
//   and a record saved in another tab is seen before this one saves.
// - The program's folder is the page's own address.
// - Ending the program leaves the page saying that the game has ended, with
//   a button to play again.

#include "platform/systemservices.h"

class WebSystem : public DesktopSystem
{
public:
    // The record folder, in the browser's storage; created and loaded
    // from the storage by shareRecords().
    QString recordFolder(QString *error) override;
    QString shareRecords(const std::function<void()> &access) override;
    // The address of the folder holding the page, such as
    // "https://example.org/quizzola", without a trailing "/".
    QString programFolder() override;
    // Shows the page's ending and stops the program; nothing more runs.
    void terminate() override;

private:
    QString m_folder; // the folder the storage is mounted on, once it is
};
