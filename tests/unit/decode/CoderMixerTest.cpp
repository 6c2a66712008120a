#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
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

// Hands out its output in pieces as it is read.
class PullCoder : public Decoder {
 public:
  void SetProperties(ReadStream*) override {}
  uint32_t Read(void* data, uint32_t size) override {
    if (!made_) output_ = Make();
    made_ = true;
    uint32_t n = uint32_t(std::min<size_t>(size, output_.size() - pos_));
    std::memcpy(data, output_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 protected:
  virtual std::string Make() = 0;

 private:
  bool made_ = false;
  std::string output_;
  size_t pos_ = 0;
};

// Its output: the tag, then its input in parentheses, read when the output is first read.
class TagCoder : public PullCoder {
 public:
  explicit TagCoder(std::string tag) : tag_(std::move(tag)) {}
  void Start(ReadStream** ins, const uint32_t* const* inSizes, uint32_t,
             const uint32_t* outSize) override {
    g_runOrder.push_back(tag_);
    in_ = ins[0];
    inSize_ = inSizes && inSizes[0] ? int64_t(*inSizes[0]) : -1;
    outSize_ = outSize ? int64_t(*outSize) : -1;
  }
  int64_t inSize_ = 0;
  int64_t outSize_ = 0;

 private:
  std::string Make() override { return tag_ + "(" + ReadAll(in_) + ")"; }
  std::string tag_;
  ReadStream* in_ = nullptr;
};

// Joins all its inputs with '|'.
class JoinCoder : public PullCoder {
 public:
  void Start(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
             const uint32_t*) override {
    g_runOrder.push_back("join");
    ins_.assign(ins, ins + inCount);
    for (uint32_t i = 0; i < inCount; ++i) inSizeGiven_.push_back(inSizes[i] != nullptr);
  }
  uint32_t InCount() const { return uint32_t(ins_.size()); }
  std::vector<bool> inSizeGiven_;

 private:
  std::string Make() override {
    std::string output;
    for (size_t i = 0; i < ins_.size(); ++i) output += (i ? "|" : "") + ReadAll(ins_[i]);
    return output;
  }
  std::vector<ReadStream*> ins_;
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

BytesReadStream StreamOf(const std::string& text) {
  return BytesReadStream(std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(CoderMixer, WiresTheUsualLayoutAndStartsProducersFirst) {
  g_runOrder.clear();
  CoderMixer mixer(UsualLayout());
  TagCoder a("a"), b("b"), c("c");
  JoinCoder join;
  mixer.AddDecoder(&a);
  mixer.AddDecoder(&b);
  mixer.AddDecoder(&c);
  mixer.AddDecoder(&join);
  uint32_t sizes[] = {11, 22, 33, 44};
  const uint32_t* inA[] = {&sizes[0]};
  const uint32_t* outA[] = {&sizes[1]};
  mixer.SetCoderSizes(0, inA, outA);
  const uint32_t* inJoin[] = {&sizes[2], nullptr, &sizes[3], nullptr};
  mixer.SetCoderSizes(3, inJoin, nullptr);
  BytesReadStream p0 = StreamOf("P0"), p1 = StreamOf("P1"), p2 = StreamOf("P2"), p3 = StreamOf("P3");
  ReadStream* ins[] = {&p0, &p1, &p2, &p3};
  RecordingWriteStream out;
  mixer.Decode(ins, 4, &out);

  EXPECT_EQ(g_runOrder, (std::vector<std::string>{"a", "b", "c", "join"}));
  // Reader 0 feeds the third coder, reader 1 the join's fourth input, reader 2 the second
  // coder, reader 3 the first; the join's inputs 0, 1, 2 are the outputs of c, b, a.
  EXPECT_EQ(std::string(out.all.begin(), out.all.end()), "c(P0)|b(P2)|a(P3)|P1");
  EXPECT_EQ(a.inSize_, 11);
  EXPECT_EQ(a.outSize_, 22);
  EXPECT_EQ(b.inSize_, -1);  // no sizes given: null pointers
  EXPECT_EQ(join.InCount(), 4u);
  EXPECT_EQ(join.inSizeGiven_, (std::vector<bool>{true, false, true, false}));
}

// Listed before its producers, a consumer still starts after them and reads their output in
// pieces as it needs it; the folder's output leaves in pieces the sink must take whole.
TEST(CoderMixer, ConsumerListedFirstPullsItsProducers) {
  g_runOrder.clear();
  // join: in-streams 0-3, out 0; a, b, c: in-streams 4, 5, 6, outs 1, 2, 3.
  CoderMixer mixer(MakeBindInfo({{4, 1}, {1, 1}, {1, 1}, {1, 1}}, {{0, 3}, {1, 2}, {2, 1}},
                                {4, 5, 6, 3}, {0}));
  JoinCoder join;
  TagCoder a("a"), b("b"), c("c");
  mixer.AddDecoder(&join);
  mixer.AddDecoder(&a);
  mixer.AddDecoder(&b);
  mixer.AddDecoder(&c);
  std::string big(CoderMixer::kPieceSize + 10, 'x');
  BytesReadStream p0 = StreamOf("A"), p1 = StreamOf("B"), p2 = StreamOf(big), p3 = StreamOf("D");
  ReadStream* ins[] = {&p0, &p1, &p2, &p3};
  RecordingWriteStream out;
  mixer.Decode(ins, 4, &out);
  EXPECT_EQ(g_runOrder, (std::vector<std::string>{"a", "b", "c", "join"}));
  EXPECT_EQ(std::string(out.all.begin(), out.all.end()), "c(" + big + ")|b(B)|a(A)|D");
  EXPECT_EQ(out.writes, (std::vector<uint32_t>{CoderMixer::kPieceSize, 25}));
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
  BytesReadStream p0 = StreamOf("x"), p1 = StreamOf("y");
  ReadStream* ins[] = {&p0, &p1};
  RecordingWriteStream out;
  struct Row {
    const char* name;
    std::function<void()> body;
    const char* reason;
  } rows[] = {
      {"more inputs than packed streams",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}}, {}, {0}, {0}));
         mixer.AddDecoder(&a);
         mixer.Decode(ins, 2, &out);
       },
       "stream counts differ from folder"},
      {"two unbound outputs",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}, {1, 1}}, {}, {0, 1}, {0, 1}));
         mixer.AddDecoder(&a);
         mixer.AddDecoder(&b);
         mixer.Decode(ins, 2, &out);
       },
       "stream counts differ from folder"},
      {"a coder missing",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}, {1, 1}}, {{1, 0}}, {0}, {1}));
         mixer.AddDecoder(&a);
         mixer.Decode(ins, 1, &out);
       },
       "coder count differs from folder"},
      {"bind pair beyond the coders",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}, {1, 1}}, {{1, 5}}, {0}, {1}));
         mixer.AddDecoder(&a);
         mixer.AddDecoder(&b);
         mixer.Decode(ins, 1, &out);
       },
       "stream number beyond all coders"},
      {"packed stream beyond the coders",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}}, {}, {3}, {0}));
         mixer.AddDecoder(&a);
         mixer.Decode(ins, 1, &out);
       },
       "stream number beyond all coders"},
      {"a multi-stream output bound to another coder",
       [&] {
         CoderMixer mixer(MakeBindInfo({{2, 1}, {1, 1}}, {{2, 0}}, {0, 1}, {1}));
         mixer.AddDecoder(&join);
         mixer.AddDecoder(&a);
         mixer.Decode(ins, 2, &out);
       },
       "bound output of a multi-stream coder"},
      {"one output bound to two in-streams",
       [&] {
         CoderMixer mixer(MakeBindInfo({{2, 1}, {1, 1}}, {{0, 1}, {1, 1}}, {2}, {0}));
         mixer.AddDecoder(&join);
         mixer.AddDecoder(&a);
         mixer.Decode(ins, 1, &out);
       },
       "out-stream bound twice"},
      {"coders feeding each other",
       [&] {
         // join reads the packed streams; a reads b's output and b reads a's.
         CoderMixer mixer(
             MakeBindInfo({{2, 1}, {1, 1}, {1, 1}}, {{2, 2}, {3, 1}}, {0, 1}, {0}));
         mixer.AddDecoder(&join);
         mixer.AddDecoder(&a);
         mixer.AddDecoder(&b);
         mixer.Decode(ins, 2, &out);
       },
       "coders feed each other in a cycle"},
      {"an in-stream left unconnected",
       [&] {
         CoderMixer mixer(MakeBindInfo({{2, 1}}, {}, {0}, {0}));
         mixer.AddDecoder(&join);
         mixer.Decode(ins, 1, &out);
       },
       "coder in-stream not connected"},
      {"a coder of two out-streams",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 2}}, {}, {0}, {0}));
         mixer.AddDecoder(&a);
       },
       "coder with several out-streams"},
      {"a sink that takes less than the piece",
       [&] {
         CoderMixer mixer(MakeBindInfo({{1, 1}}, {}, {0}, {0}));
         mixer.AddDecoder(&a);
         RecordingWriteStream refusing(2);
         mixer.Decode(ins, 1, &refusing);
       },
       "folder output not accepted"},
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
