#pragma once
// MusicBrainz answers written for the tests, in the shape of the web
// service's JSON: a disc id with two releases, one of them a set of two
// media whose second medium is our disc.

#include <QByteArray>
#include <QString>

namespace mbtest {

// Our disc: two tracks.
inline const QString kDiscId = QStringLiteral("ourDiscIdOurDiscIdOurDiscId-");

inline const char kSetId[] = "11111111-1111-1111-1111-111111111111";
inline const char kSingleId[] = "22222222-2222-2222-2222-222222222222";

// Release "Live Set" (2 media, ours is the second) and "Ça va (Single)".
inline QByteArray twoReleases(const QString& discId = kDiscId)
{
    return QString::fromUtf8(R"json({
  "id": "%1", "offset-count": 2, "sectors": 300,
  "releases": [
    { "id": "11111111-1111-1111-1111-111111111111", "title": "Live Set", "date": "1994-05-02",
      "country": "GB", "barcode": "123",
      "artist-credit": [ {"name": "Anna", "joinphrase": " & ", "artist": {"id": "aaaaaaaa-0000-0000-0000-000000000001", "name": "Anna"}},
                         {"name": "Bo", "joinphrase": " feat. ", "artist": {"id": "aaaaaaaa-0000-0000-0000-000000000002"}},
                         {"name": "Cy", "joinphrase": ""} ],
      "release-group": {"id": "33333333-3333-3333-3333-333333333333", "primary-type": "Album"},
      "label-info": [ {"label": {"name": "Label Ltd"}} ],
      "cover-art-archive": {"front": true, "count": 1},
      "media": [
        { "position": 1, "format": "CD", "track-count": 2, "discs": [ {"id": "someOtherDiscIdSomeOtherDis-"} ],
          "tracks": [ {"position": 1, "title": "Wrong One"}, {"position": 2, "title": "Wrong Two"} ] },
        { "position": 2, "format": "CD", "track-count": 2, "discs": [ {"id": "%1"} ],
          "tracks": [
            { "id": "44444444-4444-4444-4444-444444444441", "position": 1, "title": "Ça va, Straße",
              "artist-credit": [ {"name": "Anna", "joinphrase": " & "}, {"name": "Bo", "joinphrase": " feat. "}, {"name": "Cy"} ],
              "recording": {"id": "55555555-5555-5555-5555-555555555551", "isrcs": ["gbaye9400001"]} },
            { "id": "44444444-4444-4444-4444-444444444442", "position": 2, "title": "東京の夜",
              "artist-credit": [ {"name": "Dee", "joinphrase": ""} ],
              "recording": {"id": "55555555-5555-5555-5555-555555555552", "isrcs": []} } ] } ] },
    { "id": "22222222-2222-2222-2222-222222222222", "title": "Ça va (Single)", "date": "1993",
      "country": "FR",
      "artist-credit": [ {"name": "Anna", "joinphrase": ""} ],
      "cover-art-archive": {"front": false},
      "media": [
        { "position": 1, "format": "CD", "discs": [ {"id": "%1"} ],
          "tracks": [ {"position": 1, "title": "Ça va"}, {"position": 2, "title": "B-Side"} ] } ] }
  ]
})json")
        .arg(discId)
        .toUtf8();
}

// A match by durations only: the release does not list our disc id.
inline QByteArray fuzzyRelease()
{
    return R"({"release-count": 1, "releases": [
      { "id": "66666666-6666-6666-6666-666666666666", "title": "Close Enough",
        "artist-credit": [ {"name": "Eve"} ],
        "media": [ { "position": 1, "format": "CD", "discs": [],
                     "tracks": [ {"title": "Three"}, {"title": "Tracks"}, {"title": "Here"} ] },
                   { "position": 2, "format": "CD", "discs": [],
                     "tracks": [ {"title": "Near"}, {"title": "By"} ] } ] } ]})";
}

} // namespace mbtest
