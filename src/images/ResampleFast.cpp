#include "images/ResampleFast.h"

#include "images/Parallel.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace stanor::images {

namespace {
constexpr int kGroup = 4;        // destination columns computed together
constexpr int kPairLanes = 8;    // floats per pixel in a row-pair buffer

bool cpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Writes n (at most 12) bytes of a 16-byte vector.
inline void storePartial(std::uint8_t* out, __m128i v, std::size_t n) {
    alignas(16) std::uint8_t tmp[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(tmp), v);
    std::memcpy(out, tmp, n);
}

// ---- SSE2 kernels ----

// Four columns of BGRX int32 lanes -> 12 bytes BGR, written to out (n bytes at most).
inline void storeGroupSse2(std::uint8_t* out, __m128 a0, __m128 a1, __m128 a2, __m128 a3,
                           std::size_t n) {
    __m128i p01 = _mm_packs_epi32(_mm_cvtps_epi32(a0), _mm_cvtps_epi32(a1));
    __m128i p23 = _mm_packs_epi32(_mm_cvtps_epi32(a2), _mm_cvtps_epi32(a3));
    __m128i b = _mm_packus_epi16(p01, p23);
    alignas(16) std::uint8_t tmp[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(tmp), b);
    std::uint8_t packed[12];
    for (int c = 0; c < 4; ++c) std::memcpy(packed + c * 3, tmp + c * 4, 3);
    std::memcpy(out, packed, n);
}

void horizontalPairSse2(const HorizontalPlan& plan, const float* rows, std::uint8_t* out0,
                        std::uint8_t* out1) {
    const std::size_t rowBytes = std::size_t(plan.dstWidth) * 3;
    const int taps = plan.taps;
    for (int g = 0; g < plan.groups; ++g) {
        const std::int32_t* off = plan.offset.data() + std::size_t(g) * std::size_t(taps) * kGroup;
        const float* w = plan.weight.data() + std::size_t(g) * std::size_t(taps) * kGroup;
        __m128 a0 = _mm_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
        __m128 b0 = a0, b1 = a0, b2 = a0, b3 = a0;
        for (int k = 0; k < taps; ++k, off += kGroup, w += kGroup) {
            __m128 w0 = _mm_set1_ps(w[0]), w1 = _mm_set1_ps(w[1]);
            __m128 w2 = _mm_set1_ps(w[2]), w3 = _mm_set1_ps(w[3]);
            a0 = _mm_add_ps(a0, _mm_mul_ps(w0, _mm_load_ps(rows + off[0])));
            b0 = _mm_add_ps(b0, _mm_mul_ps(w0, _mm_load_ps(rows + off[0] + 4)));
            a1 = _mm_add_ps(a1, _mm_mul_ps(w1, _mm_load_ps(rows + off[1])));
            b1 = _mm_add_ps(b1, _mm_mul_ps(w1, _mm_load_ps(rows + off[1] + 4)));
            a2 = _mm_add_ps(a2, _mm_mul_ps(w2, _mm_load_ps(rows + off[2])));
            b2 = _mm_add_ps(b2, _mm_mul_ps(w2, _mm_load_ps(rows + off[2] + 4)));
            a3 = _mm_add_ps(a3, _mm_mul_ps(w3, _mm_load_ps(rows + off[3])));
            b3 = _mm_add_ps(b3, _mm_mul_ps(w3, _mm_load_ps(rows + off[3] + 4)));
        }
        const std::size_t at = std::size_t(g) * kGroup * 3;
        const std::size_t n = std::min<std::size_t>(12, rowBytes - at);
        storeGroupSse2(out0 + at, a0, a1, a2, a3, n);
        storeGroupSse2(out1 + at, b0, b1, b2, b3, n);
    }
}

void verticalRowSse2(const ContributorList& list, const Bitmap& work, std::uint8_t* out,
                     std::size_t& x) {
    const std::size_t rowBytes = work.stride();
    const __m128i zero = _mm_setzero_si128();
    for (; x + 16 <= rowBytes; x += 16) {
        __m128 a0 = _mm_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
        for (const Contributor& c : list) {
            __m128 w = _mm_set1_ps(c.weight);
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(work.scanLine(c.pixel) + x));
            __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
            a0 = _mm_add_ps(a0, _mm_mul_ps(w, _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero))));
            a1 = _mm_add_ps(a1, _mm_mul_ps(w, _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero))));
            a2 = _mm_add_ps(a2, _mm_mul_ps(w, _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero))));
            a3 = _mm_add_ps(a3, _mm_mul_ps(w, _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero))));
        }
        __m128i p01 = _mm_packs_epi32(_mm_cvtps_epi32(a0), _mm_cvtps_epi32(a1));
        __m128i p23 = _mm_packs_epi32(_mm_cvtps_epi32(a2), _mm_cvtps_epi32(a3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(p01, p23));
    }
}

void loadPairSse2(const std::uint8_t* row0, const std::uint8_t* row1, int width, float* dst) {
    const __m128i zero = _mm_setzero_si128();
    for (int p = 0; p < width; ++p, dst += kPairLanes) {
        std::int32_t v0, v1;
        std::memcpy(&v0, row0 + std::size_t(p) * 3, 4);
        std::memcpy(&v1, row1 + std::size_t(p) * 3, 4);
        __m128i i0 = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v0), zero), zero);
        __m128i i1 = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v1), zero), zero);
        _mm_store_ps(dst, _mm_cvtepi32_ps(i0));
        _mm_store_ps(dst + 4, _mm_cvtepi32_ps(i1));
    }
}

// ---- AVX2 kernels (used only when the processor has AVX2) ----

__attribute__((target("avx2"))) void horizontalPairAvx2(const HorizontalPlan& plan,
                                                         const float* rows, std::uint8_t* out0,
                                                         std::uint8_t* out1) {
    const std::size_t rowBytes = std::size_t(plan.dstWidth) * 3;
    const int taps = plan.taps;
    const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    for (int g = 0; g < plan.groups; ++g) {
        const std::int32_t* off = plan.offset.data() + std::size_t(g) * std::size_t(taps) * kGroup;
        const float* w = plan.weight.data() + std::size_t(g) * std::size_t(taps) * kGroup;
        __m256 a0 = _mm256_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
        if (plan.consecutive[std::size_t(g)]) {
            const std::int32_t* st = plan.start.data() + std::size_t(g) * kGroup;
            const float *p0 = rows + st[0], *p1 = rows + st[1], *p2 = rows + st[2], *p3 = rows + st[3];
            for (int k = 0; k < taps; ++k, w += kGroup, p0 += kPairLanes, p1 += kPairLanes, p2 += kPairLanes, p3 += kPairLanes) {
                a0 = _mm256_add_ps(a0, _mm256_mul_ps(_mm256_broadcast_ss(w + 0), _mm256_load_ps(p0)));
                a1 = _mm256_add_ps(a1, _mm256_mul_ps(_mm256_broadcast_ss(w + 1), _mm256_load_ps(p1)));
                a2 = _mm256_add_ps(a2, _mm256_mul_ps(_mm256_broadcast_ss(w + 2), _mm256_load_ps(p2)));
                a3 = _mm256_add_ps(a3, _mm256_mul_ps(_mm256_broadcast_ss(w + 3), _mm256_load_ps(p3)));
            }
        } else {
            for (int k = 0; k < taps; ++k, off += kGroup, w += kGroup) {
                a0 = _mm256_add_ps(a0, _mm256_mul_ps(_mm256_broadcast_ss(w + 0), _mm256_load_ps(rows + off[0])));
                a1 = _mm256_add_ps(a1, _mm256_mul_ps(_mm256_broadcast_ss(w + 1), _mm256_load_ps(rows + off[1])));
                a2 = _mm256_add_ps(a2, _mm256_mul_ps(_mm256_broadcast_ss(w + 2), _mm256_load_ps(rows + off[2])));
                a3 = _mm256_add_ps(a3, _mm256_mul_ps(_mm256_broadcast_ss(w + 3), _mm256_load_ps(rows + off[3])));
            }
        }
        __m256i p01 = _mm256_packs_epi32(_mm256_cvtps_epi32(a0), _mm256_cvtps_epi32(a1));
        __m256i p23 = _mm256_packs_epi32(_mm256_cvtps_epi32(a2), _mm256_cvtps_epi32(a3));
        __m256i b = _mm256_shuffle_epi8(_mm256_packus_epi16(p01, p23), drop);
        const std::size_t at = std::size_t(g) * kGroup * 3;
        __m128i r0 = _mm256_castsi256_si128(b), r1 = _mm256_extracti128_si256(b, 1);
        if (at + 16 <= rowBytes) {
            // The 4 spare bytes land on the next group, which overwrites them afterwards.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out0 + at), r0);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out1 + at), r1);
        } else {
            const std::size_t n = std::min<std::size_t>(12, rowBytes - at);
            storePartial(out0 + at, r0, n);
            storePartial(out1 + at, r1, n);
        }
    }
}

__attribute__((target("avx2"))) void verticalRowAvx2(const ContributorList& list,
                                                      const Bitmap& work, std::uint8_t* out,
                                                      std::size_t& x) {
    const std::size_t rowBytes = work.stride();
    for (; x + 32 <= rowBytes; x += 32) {
        __m256 a0 = _mm256_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
        for (const Contributor& c : list) {
            __m256 w = _mm256_set1_ps(c.weight);
            const std::uint8_t* p = work.scanLine(c.pixel) + x;
            __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
            a0 = _mm256_add_ps(a0, _mm256_mul_ps(w, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(lo))));
            a1 = _mm256_add_ps(a1, _mm256_mul_ps(w, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(lo, 8)))));
            a2 = _mm256_add_ps(a2, _mm256_mul_ps(w, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(hi))));
            a3 = _mm256_add_ps(a3, _mm256_mul_ps(w, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(hi, 8)))));
        }
        __m256i p01 = _mm256_permute4x64_epi64(
            _mm256_packs_epi32(_mm256_cvtps_epi32(a0), _mm256_cvtps_epi32(a1)), 0xD8);
        __m256i p23 = _mm256_permute4x64_epi64(
            _mm256_packs_epi32(_mm256_cvtps_epi32(a2), _mm256_cvtps_epi32(a3)), 0xD8);
        __m256i b = _mm256_permute4x64_epi64(_mm256_packus_epi16(p01, p23), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), b);
    }
}

__attribute__((target("avx2"))) void loadPairAvx2(const std::uint8_t* row0,
                                                   const std::uint8_t* row1, int width,
                                                   float* dst) {
    for (int p = 0; p < width; ++p, dst += kPairLanes) {
        std::int32_t v0, v1;
        std::memcpy(&v0, row0 + std::size_t(p) * 3, 4);
        std::memcpy(&v1, row1 + std::size_t(p) * 3, 4);
        __m128i both = _mm_unpacklo_epi32(_mm_cvtsi32_si128(v0), _mm_cvtsi32_si128(v1));
        _mm256_store_ps(dst, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(both)));
    }
}
}  // namespace

Simd resolveSimd(Simd wanted) {
    if (wanted == Simd::Best) return cpuHasAvx2() ? Simd::Avx2 : Simd::Sse2;
    if (wanted == Simd::Avx2 && !cpuHasAvx2()) return Simd::Sse2;
    return wanted;
}

HorizontalPlan::HorizontalPlan(const std::vector<ContributorList>& lists, int width)
    : srcWidth(width), dstWidth(int(lists.size())) {
    for (const ContributorList& l : lists) taps = std::max(taps, int(l.size()));
    groups = (dstWidth + kGroup - 1) / kGroup;
    const std::size_t n = std::size_t(groups) * std::size_t(taps) * kGroup;
    offset.assign(n, 0);
    weight.assign(n, 0.0f);
    consecutive.assign(std::size_t(groups), 1);
    start.assign(std::size_t(groups) * kGroup, 0);
    for (int i = 0; i < dstWidth; ++i) {
        const ContributorList& l = lists[std::size_t(i)];
        for (std::size_t k = 1; k < l.size(); ++k)
            if (l[k].pixel != l[0].pixel + int(k)) consecutive[std::size_t(i / kGroup)] = 0;
        if (!l.empty()) start[std::size_t(i)] = l[0].pixel * kPairLanes;
    }
    for (int i = 0; i < dstWidth; ++i) {
        const ContributorList& l = lists[std::size_t(i)];
        const int g = i / kGroup, lane = i % kGroup;
        for (int k = 0; k < taps; ++k) {
            const std::size_t at = (std::size_t(g) * std::size_t(taps) + std::size_t(k)) * kGroup + std::size_t(lane);
            if (k < int(l.size())) {
                offset[at] = l[std::size_t(k)].pixel * kPairLanes;
                weight[at] = l[std::size_t(k)].weight;
            } else if (!l.empty()) {
                offset[at] = l.back().pixel * kPairLanes;  // weight 0: adds nothing
            }
        }
    }
}

void RowPairBuffer::Free::operator()(float* p) const { ::operator delete[](p, std::align_val_t(32)); }

RowPairBuffer::RowPairBuffer(int width, int tail)
    : width_(width),
      data_(static_cast<float*>(::operator new[](sizeof(float) * std::size_t(std::max(width, 1) + tail) * kPairLanes,
                                                  std::align_val_t(32)))) {
    std::fill_n(data_.get() + std::size_t(width) * kPairLanes, std::size_t(tail) * kPairLanes, 0.0f);
}

void RowPairBuffer::load(const std::uint8_t* row0, const std::uint8_t* row1, Simd simd) {
    if (resolveSimd(simd) == Simd::Avx2)
        loadPairAvx2(row0, row1, width_, data_.get());
    else
        loadPairSse2(row0, row1, width_, data_.get());
}

void horizontalPair(const HorizontalPlan& plan, const RowPairBuffer& rows, std::uint8_t* out0,
                    std::uint8_t* out1, Simd simd) {
    if (resolveSimd(simd) == Simd::Avx2)
        horizontalPairAvx2(plan, rows.data(), out0, out1);
    else
        horizontalPairSse2(plan, rows.data(), out0, out1);
}

void verticalRow(const ContributorList& list, const Bitmap& work, std::uint8_t* out, Simd simd) {
    std::size_t x = 0;
    if (resolveSimd(simd) == Simd::Avx2) verticalRowAvx2(list, work, out, x);
    verticalRowSse2(list, work, out, x);
    // The last bytes of the row, one at a time, with the same sums.
    for (; x < work.stride(); ++x) {
        float s = 0.0f;
        for (const Contributor& c : list) s = s + c.weight * float(work.scanLine(c.pixel)[x]);
        out[x] = clampChannel(s);
    }
}

namespace {

// A streamed source is kept in a ring of rows: the whole picture when it is small, else as many
// rows as fit in this many bytes, so that a helper thread held up by the system rarely makes the
// producer wait for a slot.
int ringRowsFor(int sw, int sh, std::size_t ringBytes) {
    const std::size_t stride = std::size_t(sw) * 3;
    int rows = int(std::min<std::size_t>(std::size_t(sh) + 1, std::max<std::size_t>(64, ringBytes / stride)));
    return rows & ~1;  // even, so that both rows of a pair have their own slots
}

// Horizontal passes of every target over the source's row pairs, for one source that is either
// whole (`full`) or streamed through a ring of rows by a producer.
class HorizontalStage {
public:
    HorizontalStage(const Bitmap* full, int sw, int sh, const std::vector<Size>& targets,
                    const FilterEntry& filter, Simd simd, std::size_t ringBytes)
        : full_(full), sw_(sw), sh_(sh), pairs_((sh + 1) / 2), simd_(simd),
          ringRows_(ringRowsFor(sw, sh, ringBytes)), published_(full ? sh : 0), pairDone_(std::size_t(pairs_), 0) {
        for (const Size& t : targets) {
            plans_.emplace_back(computeContributions(sw, t.width, filter.filter, filter.support), sw);
            works_.emplace_back();
            works_.back().resizeUninitialized(t.width, sh);  // every byte is written by the pass
        }
        if (!full) ring_.resizeUninitialized(sw, ringRows_);
    }

    std::vector<Bitmap>& works() { return works_; }
    int ringRows() const { return ringRows_; }

    // A consumer thread: takes pairs in turn, waiting for their rows.
    void consume() {
        Scratch scratch(*this);
        for (;;) {
            const int p = nextPair_.fetch_add(1);
            if (p >= pairs_) return;
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [&] { return aborted_ || published_ >= rowsFor(p); });
                if (aborted_) return;
            }
            process(p, scratch);
        }
    }

    void abort() {
        {
            std::lock_guard<std::mutex> lock(m_);
            aborted_ = true;
        }
        cv_.notify_all();
    }

    // Waits until every pair has been through its horizontal passes; false when the work was
    // given up.
    bool waitAllDone() {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return aborted_ || pairsFinished_ == pairs_; });
        return !aborted_;
    }

    // The producer's side.
    std::uint8_t* rowForWriting(int y, void* scratchPtr) {
        if (y >= ringRows_) {
            // The slot still holds row y - ringRows until its pair is done; help meanwhile.
            const int q = (y - ringRows_) / 2;
            auto& scratch = *static_cast<Scratch*>(scratchPtr);
            for (;;) {
                {
                    std::lock_guard<std::mutex> lock(m_);
                    if (aborted_) throw ImageError("Rééchantillonnage interrompu");
                    if (pairDone_[std::size_t(q)]) break;
                }
                const int p = claimReady();
                if (p >= 0) {
                    process(p, scratch);
                    continue;
                }
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [&] { return aborted_ || pairDone_[std::size_t(q)]; });
            }
        }
        return ring_.scanLine(y % ringRows_);
    }
    void publish(int rows) {
        {
            std::lock_guard<std::mutex> lock(m_);
            published_ = std::min(rows, sh_);
        }
        cv_.notify_all();
    }

    struct Scratch {
        explicit Scratch(const HorizontalStage& s) : rows(s.sw_, s.maxTaps()) {
            for (const Bitmap& w : s.works_) spare.resize(std::max(spare.size(), w.stride() + 16));
        }
        RowPairBuffer rows;
        std::vector<std::uint8_t> spare;
    };

private:
    int maxTaps() const {
        int n = 0;
        for (const HorizontalPlan& p : plans_) n = std::max(n, p.taps);
        return n;
    }
    int rowsFor(int p) const { return std::min(2 * p + 2, sh_); }
    const std::uint8_t* rowAt(int y) const {
        return full_ ? full_->scanLine(y) : ring_.scanLine(y % ringRows_);
    }

    // The next unclaimed pair if its rows are there, else -1.
    int claimReady() {
        int p = nextPair_.load();
        while (p < pairs_) {
            {
                std::lock_guard<std::mutex> lock(m_);
                if (published_ < rowsFor(p)) return -1;
            }
            if (nextPair_.compare_exchange_weak(p, p + 1)) return p;
        }
        return -1;
    }

    void process(int p, Scratch& scratch) {
        const int r0 = 2 * p, r1 = std::min(r0 + 1, sh_ - 1);
        scratch.rows.load(rowAt(r0), rowAt(r1), simd_);
        for (std::size_t t = 0; t < plans_.size(); ++t)
            horizontalPair(plans_[t], scratch.rows, works_[t].scanLine(r0),
                           r1 > r0 ? works_[t].scanLine(r1) : scratch.spare.data(), simd_);
        bool last;
        {
            std::lock_guard<std::mutex> lock(m_);
            pairDone_[std::size_t(p)] = 1;
            last = ++pairsFinished_ == pairs_;
        }
        if (!full_ || last) cv_.notify_all();
    }

    const Bitmap* full_;
    const int sw_, sh_, pairs_;
    const Simd simd_;
    std::vector<HorizontalPlan> plans_;
    std::vector<Bitmap> works_;
    const int ringRows_;
    Bitmap ring_;
    std::atomic<int> nextPair_{0};
    std::mutex m_;
    std::condition_variable cv_;
    int published_;
    int pairsFinished_ = 0;
    bool aborted_ = false;
    std::vector<char> pairDone_;
};

std::vector<Bitmap> runResample(const Bitmap* full, int sw, int sh, const std::vector<Size>& targets,
                                const FilterEntry& filter, const std::function<void(RowSink&)>* produce,
                                Simd simd, int threads, std::size_t ringBytes) {
    if (sw < 1 || sh < 1) throw ImageError("Source bitmap too small");
    simd = resolveSimd(simd);
    threads = workerCount(threads);
    HorizontalStage stage(full, sw, sh, targets, filter, simd, ringBytes);

    // Vertical passes of every target, their rows numbered one after the other.
    std::vector<Bitmap>& works = stage.works();
    std::vector<std::vector<ContributorList>> vertical;
    std::vector<Bitmap> out;
    std::vector<int> firstRow;
    int total = 0;
    for (const Size& t : targets) {
        vertical.push_back(computeContributions(sh, t.height, filter.filter, filter.support));
        out.emplace_back();
        out.back().resizeUninitialized(t.width, t.height);
        firstRow.push_back(total);
        total += t.height;
    }
    constexpr int kVerticalChunk = 8;
    std::atomic<int> nextVertical{0};
    auto verticalRows = [&] {
        for (;;) {
            const int begin = nextVertical.fetch_add(kVerticalChunk);
            if (begin >= total) return;
            const int end = std::min(begin + kVerticalChunk, total);
            for (int r = begin; r < end; ++r) {
                std::size_t t = 0;
                while (t + 1 < firstRow.size() && r >= firstRow[t + 1]) ++t;
                const int i = r - firstRow[t];
                verticalRow(vertical[t][std::size_t(i)], works[t], out[t].scanLine(i), simd);
            }
        }
    };

    // A helper that fails (out of memory) stops the others; the error reaches the caller. Once
    // every horizontal pass is done, the helpers and this thread share the vertical passes, so
    // that no thread is started for those.
    std::exception_ptr helperError;
    std::mutex errorLock;
    auto helper = [&] {
        try {
            stage.consume();
            if (stage.waitAllDone()) verticalRows();
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(errorLock);
                if (!helperError) helperError = std::current_exception();
            }
            stage.abort();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(helper);
    if (produce) {
        struct Sink : RowSink {
            HorizontalStage& stage;
            HorizontalStage::Scratch scratch;
            int told = 0, done = 0, height;
            Sink(HorizontalStage& s, int h) : stage(s), scratch(s), height(h) {}
            std::uint8_t* row(int y) override {
                if (y >= stage.ringRows()) {
                    // The row that held this slot must be finished and known to the helpers.
                    const int need = std::min((y - stage.ringRows()) / 2 * 2 + 2, height);
                    if (done < need) throw ImageError("Rangées demandées avant la fin des précédentes");
                    if (told < need) stage.publish(told = done);
                }
                return stage.rowForWriting(y, &scratch);
            }
            void rowsDone(int rows) override {
                done = rows;
                // Helpers are woken for batches of rows, not for every row.
                if (rows - told >= 16) stage.publish(told = rows);
            }
        };
        try {
            Sink sink(stage, sh);
            (*produce)(sink);
            stage.publish(sh);
        } catch (...) {
            stage.abort();
            for (std::thread& t : helpers) t.join();
            throw;
        }
    }
    helper();
    for (std::thread& t : helpers) t.join();
    if (helperError) std::rethrow_exception(helperError);
    return out;
}

}  // namespace

std::vector<Bitmap> resampleTo(const Bitmap& src, const std::vector<Size>& targets,
                               const FilterEntry& filter, Simd simd, int threads) {
    return runResample(&src, src.width(), src.height(), targets, filter, nullptr, simd, threads, 0);
}

std::vector<Bitmap> resampleStream(int sw, int sh, const std::vector<Size>& targets,
                                   const FilterEntry& filter,
                                   const std::function<void(RowSink&)>& produce, Simd simd,
                                   int threads, std::size_t ringBytes) {
    return runResample(nullptr, sw, sh, targets, filter, &produce, simd, threads, ringBytes);
}

void ResampleBitmapFast(Bitmap& src, Bitmap& dst, FilterFunction filter, float support, Simd simd,
                        int threads) {
    if (src.width() < 1 || src.height() < 1) throw ImageError("Source bitmap too small");
    src.setBitsPerPixel(24);
    const FilterEntry entry{"", filter, support};
    dst = std::move(resampleTo(src, {{dst.width(), dst.height()}}, entry, simd, threads).front());
}

}  // namespace stanor::images
