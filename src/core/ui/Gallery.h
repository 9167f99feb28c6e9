#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;
struct AppState;

// The list of windows the gallery tool draws. Each window library offers a
// register function that adds its windows, one line each:
//
//     gallery.add(u"frmNote"_s, [](AppState &s) { return std::make_unique<frmNote>(s); });
//
// The factory gets a state whose Skin is the skin being drawn and whose
// folders point into a scratch folder. It returns the window ready to be
// shown; the gallery shows it offscreen, grabs it and throws it away
// without closing it, so no unload rule runs.
class Gallery
{
public:
    using Factory = std::function<std::unique_ptr<QWidget>(AppState &state)>;

    struct Entry
    {
        QString name;
        Factory make;
    };

    void add(const QString &name, Factory make) { m_entries.push_back({name, std::move(make)}); }
    const std::vector<Entry> &entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};
