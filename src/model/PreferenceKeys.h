#pragma once

// Keys of the user's preferences store. They are shared with earlier
// versions of the program, so they never change.
namespace PreferenceKeys {
inline constexpr auto musicSource = "musicSource";
inline constexpr auto minTracksPerAlbum = "minTracksPerAlbum";
inline constexpr auto albumDisplayStyle = "albumDisplayStyle";
inline constexpr auto albumThumbnailSize = "albumThumbnailSize";
} // namespace PreferenceKeys
