// Deterministic benchmark corpora: the same arguments give the same bytes on every machine.
//   bench_corpus text DIR TOTAL_BYTES SEED     prose-like text in files of 64 KiB to 2 MiB
//   bench_corpus random DIR TOTAL_BYTES SEED   incompressible data in files of 1 to 8 MiB
//   bench_corpus small DIR COUNT SIZE SEED     COUNT files of SIZE bytes of text, 200 a folder
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and fully defined, so the corpus does not depend on a library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }
  double Unit() { return double(Next() >> 11) / double(1ull << 53); }

 private:
  uint64_t state_;
};

// Words of a made-up language, used with a skewed frequency like real prose: a few words are
// very common, most are rare.
class Prose {
 public:
  explicit Prose(uint64_t seed) : random_(seed) {
    const char* letters = "etaoinshrdlucmfwypvbgkjqxz";
    for (int i = 0; i < 8192; ++i) {
      std::string word;
      uint32_t length = 1 + random_.Below(4) + random_.Below(5);
      // Lower letters of the table are more frequent, as in English text.
      for (uint32_t k = 0; k < length; ++k) word += letters[random_.Below(1 + random_.Below(26))];
      words_.push_back(word);
    }
  }

  // Appends sentences until text holds at least n bytes, then cuts it to n.
  void Fill(std::string& text, size_t n) {
    while (text.size() < n) {
      uint32_t count = 4 + random_.Below(14);
      for (uint32_t i = 0; i < count; ++i) {
        double u = random_.Unit();
        std::string word = words_[size_t(double(words_.size()) * u * u * u)];
        if (i == 0) word[0] = char(word[0] - 'a' + 'A');
        text += word;
        text += i + 1 == count ? ". " : (random_.Below(9) == 0 ? ", " : " ");
      }
      if (random_.Below(6) == 0) text += "\n\n";
      else if (random_.Below(2) == 0) text += "\n";
    }
    text.resize(n);
  }

  Random& random() { return random_; }

 private:
  Random random_;
  std::vector<std::string> words_;
};

void MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

std::string FileName(const char* prefix, uint64_t index, const char* suffix) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%05llu%s", prefix, static_cast<unsigned long long>(index),
                suffix);
  return name;
}

void MakeText(const std::string& dir, uint64_t total, uint64_t seed) {
  MakeDirectory(dir);
  Prose prose(seed);
  for (uint64_t done = 0, index = 0; done < total; ++index) {
    uint64_t size = (64u << 10) + prose.random().Below(2u << 20);
    if (size > total - done) size = total - done;
    std::string text;
    prose.Fill(text, size);
    WriteFile(dir + "/" + FileName("chapter", index, ".txt"), text);
    done += size;
  }
}

void MakeRandom(const std::string& dir, uint64_t total, uint64_t seed) {
  MakeDirectory(dir);
  Random random(seed);
  for (uint64_t done = 0, index = 0; done < total; ++index) {
    uint64_t size = (1u << 20) + random.Below(7u << 20);
    if (size > total - done) size = total - done;
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
      uint64_t v = random.Next();
      for (size_t k = 0; k < 8 && i + k < size; ++k) bytes[i + k] = char(v >> (8 * k));
    }
    WriteFile(dir + "/" + FileName("blob", index, ".bin"), bytes);
    done += size;
  }
}

void MakeSmall(const std::string& dir, uint64_t count, uint64_t size, uint64_t seed) {
  MakeDirectory(dir);
  Prose prose(seed);
  for (uint64_t i = 0; i < count; ++i) {
    std::string folder = dir + "/" + FileName("d", i / 200, "");
    if (i % 200 == 0) MakeDirectory(folder);
    std::string text;
    prose.Fill(text, size);
    WriteFile(folder + "/" + FileName("f", i, ".txt"), text);
  }
}

uint64_t Number(const char* text) { return std::strtoull(text, nullptr, 0); }

}  // namespace

int main(int argc, char** argv) {
  std::string kind = argc > 1 ? argv[1] : "";
  if (kind == "text" && argc == 5) {
    MakeText(argv[2], Number(argv[3]), Number(argv[4]));
  } else if (kind == "random" && argc == 5) {
    MakeRandom(argv[2], Number(argv[3]), Number(argv[4]));
  } else if (kind == "small" && argc == 6) {
    MakeSmall(argv[2], Number(argv[3]), Number(argv[4]), Number(argv[5]));
  } else {
    std::fprintf(stderr,
                 "usage: bench_corpus text|random DIR TOTAL_BYTES SEED\n"
                 "       bench_corpus small DIR COUNT SIZE SEED\n");
    return 2;
  }
  return 0;
}
