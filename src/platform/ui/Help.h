#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// HTML help shown in the system browser. The pages ship as resources; browsers cannot open
// qrc: URLs, so at first use they are copied to the cache directory and opened from there.
namespace qui::Help {

// Where the pages come from: a resource prefix (":/help") or a plain directory.
void setPages(const QString& source);
// Maps a help context of a window or control to its page ("timesheets.html", may carry "#anchor").
void registerContext(int context, const QString& page);

// The topic names a page: "ID_PRESENTATION" is ID_PRESENTATION.html.
void showTopic(const QString& topic);
// Unknown contexts show the presentation page.
void showContext(int context);

QUrl urlForTopic(const QString& topic);
QUrl urlForContext(int context);

// Replaces QDesktopServices::openUrl (tests); an empty function restores it.
void setOpener(std::function<void(const QUrl&)> opener);

} // namespace qui::Help
