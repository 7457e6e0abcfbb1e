#pragma once

namespace fn {

// Stores value under key, replacing an earlier entry by removing it first, so the new
// entry is copy-constructed. Assigning a DataArray over another is avoided on purpose:
// for an array without factors that assignment is not safe.
template <typename Map, typename Key, typename Value>
void storeValue(Map& map, const Key& key, const Value& value)
{
    map.remove(key);
    map.insert(key, value);
}

} // namespace fn
