#include "pack/SolidOrder.h"

#include <algorithm>
#include <tuple>

namespace {

struct SortKey {
  std::string extension;
  std::string name;
  const std::string* path;
};

SortKey KeyOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  SortKey key{"", path.substr(slash == std::string::npos ? 0 : slash + 1), &path};
  const size_t dot = key.name.rfind('.');
  if (dot != std::string::npos && dot != 0) {
    key.extension = key.name.substr(dot + 1);
    for (char& c : key.extension) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return key;
}

}  // namespace

std::vector<size_t> SolidOrder(const std::vector<std::string>& paths) {
  std::vector<SortKey> keys;
  keys.reserve(paths.size());
  for (const std::string& path : paths) keys.push_back(KeyOf(path));
  std::vector<size_t> order(paths.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&keys](size_t a, size_t b) {
    return std::tie(keys[a].extension, keys[a].name, *keys[a].path) <
           std::tie(keys[b].extension, keys[b].name, *keys[b].path);
  });
  return order;
}
