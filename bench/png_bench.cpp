// PNG charts: size and time of our encoder against zlib's compress2 at
// level 6 over the very same filtered rows, on two pictures:
//   example  the Andorra example route's chart as the export run draws it
//            (1024 x 768, the picture shown in the README);
//   large    a hilly 4000 x 3000 chart with every decoration.
// The filtered rows are recovered from our own PNG, so both compressors see
// exactly the bytes the writer compressed.
//
//   BM_PngWrite/<picture>       the whole writer: conversion, filters,
//                               deflate, chunks and CRCs, into memory
//   BM_DeflateRows/<picture>    our compressor alone over the filtered rows
//   BM_ZlibRows/<picture>       zlib compress2 level 6 over them
//   BM_PngVsZlib/<picture>      ours and zlib alternating in each iteration
//                               (thread CPU time: the machines are shared);
//                               counters: size_ratio and time_ratio of our
//                               stream to zlib's (targets: at most 1.10 and
//                               1.0), png_time_ratio for the whole writer.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/example_charts.h"
#include "bench/tile_yardstick.h"
#include "core/export_options.h"
#include "core/profile_chart.h"
#include "core/route_reader.h"
#include "core/run_host.h"
#include "core/tile_store.h"
#include "raster/png_file.h"
#include "raster/raster_image.h"
#include "support/archive/deflate_codec.h"
#include "support/archive/deflate_encoder.h"

namespace {

using tile_yardstick::ThreadSeconds;

const std::string kSource = TOLMARIC_SOURCE_DIR;

std::string ReadFile(const std::filesystem::path& path) {
  std::string bytes(std::filesystem::file_size(path), '\0');
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr || std::fread(&bytes[0], 1, bytes.size(), file) != bytes.size()) {
    throw std::runtime_error("cannot read " + path.string());
  }
  std::fclose(file);
  return bytes;
}

// The example route's chart, saved by the chart step and read back from
// its 24-bit BMP (whose rows lie as the image keeps them).
void DrawExampleChart(CRasterImage& image) {
  example_charts::AndorraChartJob job("tolmaric_png_bench");
  job.Run();
  const std::string bmp = ReadFile(ProfileChartPath(job.options.RoutePath));
  const std::uint32_t width = tile_yardstick::Le32(bmp, 18), height = tile_yardstick::Le32(bmp, 22);
  if (!image.Create(24, width, height, 0) || bmp.size() != 54 + image.ImageSize()) {
    throw std::runtime_error("unexpected chart file");
  }
  std::memcpy(image.MemoryRow(0), bmp.data() + 54, image.ImageSize());
}

// As in chart_bench: a climb with waves, one sample per plot column.
void DrawLargeChart(CRasterImage& image) {
  ChartOptions options;
  options.width = 4000;
  options.height = 3000;
  const SlopeClassConfig classes = MakeSlopeClassConfig(4, 1);
  ChartLayout layout = ComputeChartLayout(options, classes.count, 0);
  const double step = 20.0;
  const std::vector<ProfileSample> samples = example_charts::HillySamples(layout.plotWidth, step);
  int marks = 0;
  for (const ProfileSample& s : samples) marks += s.location >= 0;
  layout = ComputeChartLayout(options, classes.count, marks);
  const CLocationTable places = example_charts::Places(marks);
  if (!DrawProfileChart(image, layout, samples.data(), int(samples.size()), step * samples.size(), options,
                        classes, places)) {
    throw std::runtime_error("no memory for the chart");
  }
}

int AppendTo(void* context, const void* data, int count) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), std::size_t(count));
  return count;
}

std::uint32_t Be32(const std::string& s, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
  return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

struct Picture {
  CRasterImage image;
  std::string png;
  std::size_t zlibStreamSize = 0;  // the IDAT data of our PNG
  std::string filteredRows;
};

Picture& GetPicture(int which) {
  static Picture pictures[2];
  Picture& picture = pictures[which];
  if (picture.image.HasPixels()) return picture;
  if (which == 0) {
    DrawExampleChart(picture.image);
  } else {
    DrawLargeChart(picture.image);
  }
  CPngFile().WriteTo(AppendTo, &picture.png, picture.image);
  std::string stream;
  for (std::size_t at = 8; at < picture.png.size();) {
    const std::uint32_t length = Be32(picture.png, at);
    if (picture.png.compare(at + 4, 4, "IDAT") == 0) stream += picture.png.substr(at + 8, length);
    at += 12 + length;
  }
  picture.zlibStreamSize = stream.size();
  picture.filteredRows.resize(std::size_t(picture.image.Height()) * (1 + 3 * picture.image.Width()));
  CDeflateCodec codec;
  codec.SetSourceMemory(std::uint32_t(stream.size() - 6), stream.data() + 2, CDeflateCodec::NoCrc);
  codec.SetSinkMemory(std::uint32_t(picture.filteredRows.size()), &picture.filteredRows[0], CDeflateCodec::NoCrc);
  if (codec.Decode(CDeflateCodec::kMethodDeflate) != picture.filteredRows.size()) {
    throw std::runtime_error("filtered rows do not come back");
  }
  return picture;
}

std::size_t ZlibCompress(const std::string& rows, std::vector<unsigned char>& out) {
  uLongf size = uLongf(out.size());
  if (compress2(out.data(), &size, reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()), 6) != Z_OK) {
    throw std::runtime_error("zlib failed");
  }
  return size;
}

const char* const kNames[2] = {"example", "large"};

void BM_PngWrite(benchmark::State& state) {
  Picture& picture = GetPicture(int(state.range(0)));
  std::string png;
  for (auto _ : state) {
    png.clear();
    CPngFile().WriteTo(AppendTo, &png, picture.image);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(picture.filteredRows.size()));
  state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_PngWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DeflateRows(benchmark::State& state) {
  Picture& picture = GetPicture(int(state.range(0)));
  std::size_t size = 0;
  for (auto _ : state) {
    size = CDeflateEncoder::Compress(picture.filteredRows.data(), picture.filteredRows.size()).size();
  }
  state.counters["bytes_out"] = double(size);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(picture.filteredRows.size()));
  state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_DeflateRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ZlibRows(benchmark::State& state) {
  Picture& picture = GetPicture(int(state.range(0)));
  std::vector<unsigned char> out(compressBound(uLong(picture.filteredRows.size())));
  std::size_t size = 0;
  for (auto _ : state) size = ZlibCompress(picture.filteredRows, out);
  state.counters["bytes_out"] = double(size);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(picture.filteredRows.size()));
  state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_ZlibRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PngVsZlib(benchmark::State& state) {
  Picture& picture = GetPicture(int(state.range(0)));
  std::vector<unsigned char> out(compressBound(uLong(picture.filteredRows.size())));
  std::string png;
  double ours = 0, zlib = 0, writer = 0;
  std::size_t ourSize = 0, zlibSize = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    ourSize = CDeflateEncoder::Compress(picture.filteredRows.data(), picture.filteredRows.size()).size();
    const double t1 = ThreadSeconds();
    zlibSize = ZlibCompress(picture.filteredRows, out);
    const double t2 = ThreadSeconds();
    png.clear();
    CPngFile().WriteTo(AppendTo, &png, picture.image);
    const double t3 = ThreadSeconds();
    ours += t1 - t0;
    zlib += t2 - t1;
    writer += t3 - t2;
  }
  if (ourSize != picture.zlibStreamSize) state.SkipWithError("the writer's stream differs from the rows' stream");
  const double n = double(state.iterations());
  state.counters["ours_ms"] = ours / n * 1e3;
  state.counters["zlib_ms"] = zlib / n * 1e3;
  state.counters["png_ms"] = writer / n * 1e3;
  state.counters["ours_bytes"] = double(ourSize);
  state.counters["zlib_bytes"] = double(zlibSize);
  state.counters["size_ratio"] = double(ourSize) / double(zlibSize);
  state.counters["time_ratio"] = ours / zlib;
  state.counters["png_time_ratio"] = writer / zlib;
  state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_PngVsZlib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
