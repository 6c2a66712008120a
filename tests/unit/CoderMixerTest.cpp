#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/CoderMixer.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/TestStreams.h"

namespace {

std::vector<std::string> g_runOrder;

std::string ReadAll(ReadStream* in) {
  std::string text;
  char buffer[3];  // small reads on purpose
  for (uint32_t got; (got = in->Read(buffer, sizeof buffer)) != 0;) text.append(buffer, got);
  return text;
}

// Reads its whole input and writes it once, tagged, from storage it keeps.
class TagCoder : public Decoder {
 public:
  explicit TagCoder(std::string tag) : tag_(std::move(tag)) {}
  void SetProperties(ReadStream*) override {}
  void Decode(ReadStream* in, WriteStream* out, const uint32_t* inSize,
              const uint32_t* outSize) override {
    g_runOrder.push_back(tag_);
    inSize_ = inSize ? int64_t(*inSize) : -1;
    outSize_ = outSize ? int64_t(*outSize) : -1;
    output_ = tag_ + "(" + ReadAll(in) + ")";
    out->Write(output_.data(), uint32_t(output_.size()));
  }
  int64_t inSize_ = 0;
  int64_t outSize_ = 0;

 private:
  std::string tag_;
  std::string output_;
};

// Joins all its inputs with '|' onto each of its outputs.
class JoinCoder : public MultiDecoder {
 public:
  void SetProperties(ReadStream*) override {}
  void Decode(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
              WriteStream** outs, const uint32_t* const*, uint32_t outCount) override {
    g_runOrder.push_back("join");
    inCount_ = inCount;
    for (uint32_t i = 0; i < inCount; ++i) {
      inSizeGiven_.push_back(inSizes[i] != nullptr);
      output_ += (i ? "|" : "") + ReadAll(ins[i]);
    }
    for (uint32_t i = 0; i < outCount; ++i)
      outs[i]->Write(output_.data(), uint32_t(output_.size()));
  }
  uint32_t inCount_ = 0;
  std::vector<bool> inSizeGiven_;

 private:
  std::string output_;
};

BindInfo MakeBindInfo(std::vector<CoderStreamCounts> coders, std::vector<StreamBond> bonds,
                      std::vector<uint32_t> ins, std::vector<uint32_t> outs) {
  BindInfo info;
  for (auto c : coders) info.Coders.Add(c);
  for (auto b : bonds) info.BindPairs.Add(b);
  for (auto i : ins) info.InStreams.Add(i);
  for (auto o : outs) info.OutStreams.Add(o);
  return info;
}

// The usual BCJ2 layout: three simple coders and a four-in coder, bind pairs {5,0} {4,1}
// {3,2}, packed streams 2, 6, 1, 0, folder output 3.
BindInfo UsualLayout() {
  return MakeBindInfo({{1, 1}, {1, 1}, {1, 1}, {4, 1}}, {{5, 0}, {4, 1}, {3, 2}}, {2, 6, 1, 0},
                      {3});
}

BytesReadStream Bytes(const std::string& text) {
  return BytesReadStream(std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(CoderMixer, WiresTheUsualLayoutAndRunsCodersInFolderOrder) {
  g_runOrder.clear();
  CoderMixer mixer(UsualLayout());
  TagCoder a("a"), b("b"), c("c");
  JoinCoder join;
  mixer.AddDecoder(&a);
  mixer.AddDecoder(&b);
  mixer.AddDecoder(&c);
  mixer.AddMultiDecoder(&join);
  uint32_t sizes[] = {11, 22, 33, 44};
  const uint32_t* inA[] = {&sizes[0]};
  const uint32_t* outA[] = {&sizes[1]};
  mixer.SetCoderSizes(0, inA, outA);
  const uint32_t* inJoin[] = {&sizes[2], nullptr, &sizes[3], nullptr};
  mixer.SetCoderSizes(3, inJoin, nullptr);
  BytesReadStream p0 = Bytes("P0"), p1 = Bytes("P1"), p2 = Bytes("P2"), p3 = Bytes("P3");
  ReadStream* ins[] = {&p0, &p1, &p2, &p3};
  RecordingWriteStream out;
  WriteStream* outs[] = {&out};
  mixer.Decode(ins, nullptr, 4, outs, nullptr, 1);

  EXPECT_EQ(g_runOrder, (std::vector<std::string>{"a", "b", "c", "join"}));
  // Reader 0 feeds the third coder, reader 1 the join's fourth input, reader 2 the second
  // coder, reader 3 the first; the join's inputs 0, 1, 2 are the outputs of c, b, a.
  EXPECT_EQ(std::string(out.all.begin(), out.all.end()), "c(P0)|b(P2)|a(P3)|P1");
  EXPECT_EQ(a.inSize_, 11);
  EXPECT_EQ(a.outSize_, 22);
  EXPECT_EQ(b.inSize_, -1);  // no sizes given: null pointers
  EXPECT_EQ(join.inCount_, 4u);
  EXPECT_EQ(join.inSizeGiven_, (std::vector<bool>{true, false, true, false}));
}

TEST(CoderMixer, LocatesStreamsAcrossCodersOfSeveralStreams) {
  BindInfo info = MakeBindInfo({{2, 3}, {1, 1}, {4, 2}}, {}, {}, {});
  struct Row {
    uint32_t n;
    bool in;
    uint32_t coder, local;
  } rows[] = {{0, true, 0, 0}, {1, true, 0, 1},  {2, true, 1, 0},  {3, true, 2, 0},
              {6, true, 2, 3}, {2, false, 0, 2}, {3, false, 1, 0}, {5, false, 2, 1}};
  for (const Row& row : rows) {
    StreamLocation at = row.in ? info.LocateInStream(row.n) : info.LocateOutStream(row.n);
    EXPECT_EQ(at.coder, row.coder) << row.n << " " << row.in;
    EXPECT_EQ(at.local, row.local) << row.n << " " << row.in;
  }
  EXPECT_EQ(FatalReasonOf([&] { info.LocateInStream(7); }), "stream number beyond all coders");
  EXPECT_EQ(FatalReasonOf([&] { info.LocateOutStream(6); }), "stream number beyond all coders");
}

TEST(CoderMixer, Rejections) {
  TagCoder a("a"), b("b");
  JoinCoder join;
  BytesReadStream p0 = Bytes("x"), p1 = Bytes("y");
  ReadStream* ins[] = {&p0, &p1};
  RecordingWriteStream out;
  WriteStream* outs[] = {&out, &out};
  struct Row {
    const char* name;
    std::function<void()> body;
    const char* reason;
  } rows[] = {
      {"properties",
       [&] {
         CoderMixer mixer(UsualLayout());
         mixer.SetProperties(&p0);
       },
       "coder mixer given properties"},
      {"more inputs than packed streams",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}}, {}, {0}, {0}));
         mixer.AddDecoder(&a);
         mixer.Decode(ins, nullptr, 2, outs, nullptr, 1);
       },
       "stream counts differ from folder"},
      {"two unbound outputs",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}, {1, 1}}, {}, {0, 1}, {0, 1}));
         mixer.AddDecoder(&a);
         mixer.AddDecoder(&b);
         mixer.Decode(ins, nullptr, 2, outs, nullptr, 1);
       },
       "stream counts differ from folder"},
      {"a coder missing",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}, {1, 1}}, {{1, 0}}, {0}, {1}));
         mixer.AddDecoder(&a);
         mixer.Decode(ins, nullptr, 1, outs, nullptr, 1);
       },
       "coder count differs from folder"},
      {"bind pair beyond the coders",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}, {1, 1}}, {{1, 5}}, {0}, {1}));
         mixer.AddDecoder(&a);
         mixer.AddDecoder(&b);
         mixer.Decode(ins, nullptr, 1, outs, nullptr, 1);
       },
       "stream number beyond all coders"},
      {"packed stream beyond the coders",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}}, {}, {3}, {0}));
         mixer.AddDecoder(&a);
         mixer.Decode(ins, nullptr, 1, outs, nullptr, 1);
       },
       "stream number beyond all coders"},
      {"a multi-stream output bound to another coder",
       [&] {
         CoderMixer mixer(MakeBindInfo({{2, 1}, {1, 1}}, {{2, 0}}, {0, 1}, {1}));
         mixer.AddMultiDecoder(&join);
         mixer.AddDecoder(&a);
         mixer.Decode(ins, nullptr, 2, outs, nullptr, 1);
       },
       "bound output of a multi-stream coder"},
      {"an in-stream left unconnected",
       [&] {
         CoderMixer mixer(MakeBindInfo({{2, 1}}, {}, {0}, {0}));
         mixer.AddMultiDecoder(&join);
         mixer.Decode(ins, nullptr, 1, outs, nullptr, 1);
       },
       "coder in-stream not connected"},
      {"more coders than listed",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}}, {}, {0}, {0}));
         mixer.AddDecoder(&a);
         mixer.AddDecoder(&b);
       },
       "more coders than the folder lists"},
  };
  for (const Row& row : rows) EXPECT_EQ(FatalReasonOf(row.body), row.reason) << row.name;
}

}  // namespace
