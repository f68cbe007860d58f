// The PCA engine on a workbench-sized data set: 35 spectra x 500 mass
// channels, 10 components. Eigen's BDCSVD of the same matrices, run in the
// same process, is the baseline the times are compared with.
//
//   CalcPCA            one decomposition of the 35 x 500 matrix
//   SvdBaseline        BDCSVD of the same matrix
//   CompactDirect      "Compact" as the workbench describes it: for every
//                      component count and every left-out spectrum, one
//                      CalcPCA for the loadings and CalcTrainingStats (a
//                      second decomposition) for the statistics
//   Compact            CompactSeries: one decomposition per left-out
//                      spectrum serves every component count
//   MDist              MDistSeries with 10 components
//   CvSvdBaseline      BDCSVD of each of the 35 leave-one-out matrices
//
// Before timing, the program checks that Compact gives exactly the values
// of CompactDirect and stops if it does not.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "core/pca/CrossValidation.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/Nipals.h"

using namespace sorrel;

namespace {

constexpr int kRows = 35, kChannels = 500, kComponents = 10;

// EI-like replicate spectra: two compounds in varying proportion (the
// second one a co-eluting impurity), each spectrum scaled on its own, 10 %
// noise on every peak and scattered small peaks, intensities up to about
// 10^4 as in a summed GC/MS spectrum.
aadouble RealisticSpectra() {
  std::mt19937 gen(2024);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  auto pattern = [&] {
    adouble p(kChannels, 0.0);
    for (int j = 0; j < kChannels; ++j)
      if (j == 0 || u(gen) < 0.15) p[static_cast<size_t>(j)] = 1.0 + 9999.0 * std::pow(u(gen), 4.0);
    return p;
  };
  const adouble main = pattern(), impurity = pattern();
  aadouble x(kRows, adouble(kChannels, 0.0));
  for (int i = 0; i < kRows; ++i) {
    const double scale = 0.3 + 1.4 * u(gen), share = 0.2 * u(gen);
    for (int j = 0; j < kChannels; ++j) {
      double v = scale * ((1 - share) * main[static_cast<size_t>(j)] +
                          share * impurity[static_cast<size_t>(j)]);
      v *= 0.9 + 0.2 * u(gen);
      if (u(gen) < 0.05) v += 50.0 * u(gen);
      x[static_cast<size_t>(i)][static_cast<size_t>(j)] = v;
    }
  }
  return x;
}

const aadouble& Data() {
  static const aadouble x = RealisticSpectra();
  return x;
}

Eigen::MatrixXd ToEigen(const aadouble& a) {
  Eigen::MatrixXd m(static_cast<Eigen::Index>(a.size()), static_cast<Eigen::Index>(a[0].size()));
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < a[i].size(); ++j)
      m(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = a[i][j];
  return m;
}

// The workbench's default precision power 3.
const double kPrecision = NipalsPrecision(3);

double DirectCrossValidate(const aadouble& X, size_t leftOut, int nf) {
  aadouble rows;
  for (size_t i = 0; i < X.size(); ++i)
    if (i != leftOut) rows.push_back(X[i]);
  aadouble E, P, T, M;
  adouble eig, mean;
  double rcm = 0, rmsg = 0;
  CalcPCA(rows, nf, kPrecision, E, eig, P, T);
  CalcTrainingStats(rows, nf, kPrecision, M, mean, rcm, rmsg);
  adouble s = mean;
  ProjectSpectrum(nf, X[leftOut], P, rcm, s);
  return MahalScore(M, nf, s, rmsg);
}

adouble DirectCompact(const aadouble& X, int a) {
  adouble out;
  for (int nf = 1; nf <= a; ++nf) {
    double sum = 0;
    for (size_t l = 0; l < X.size(); ++l)
      sum += DirectCrossValidate(X, l, nf);
    out.push_back(sum / static_cast<double>(X.size()));
  }
  return out;
}

void BM_CalcPCA(benchmark::State& state) {
  aadouble E, P, T;
  adouble eig;
  for (auto _ : state) {
    CalcPCA(Data(), kComponents, kPrecision, E, eig, P, T);
    benchmark::DoNotOptimize(eig.data());
  }
}
BENCHMARK(BM_CalcPCA)->Unit(benchmark::kMillisecond);

void BM_SvdBaseline(benchmark::State& state) {
  const Eigen::MatrixXd m = ToEigen(Data());
  for (auto _ : state) {
    Eigen::BDCSVD<Eigen::MatrixXd> svd(m, Eigen::ComputeThinU | Eigen::ComputeThinV);
    benchmark::DoNotOptimize(svd.singularValues().data());
  }
}
BENCHMARK(BM_SvdBaseline)->Unit(benchmark::kMillisecond);

void BM_CompactDirect(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(DirectCompact(Data(), kComponents).data());
}
BENCHMARK(BM_CompactDirect)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Compact(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(CompactSeries(Data(), kComponents, kPrecision).data());
}
BENCHMARK(BM_Compact)->Unit(benchmark::kMillisecond);

void BM_MDist(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(MDistSeries(Data(), kComponents, kPrecision).data());
}
BENCHMARK(BM_MDist)->Unit(benchmark::kMillisecond);

void BM_CvSvdBaseline(benchmark::State& state) {
  const Eigen::MatrixXd m = ToEigen(Data());
  for (auto _ : state) {
    for (int l = 0; l < kRows; ++l) {
      Eigen::MatrixXd rest(kRows - 1, kChannels);
      for (int i = 0, r = 0; i < kRows; ++i)
        if (i != l) rest.row(r++) = m.row(i);
      Eigen::BDCSVD<Eigen::MatrixXd> svd(rest, Eigen::ComputeThinU | Eigen::ComputeThinV);
      benchmark::DoNotOptimize(svd.singularValues().data());
    }
  }
}
BENCHMARK(BM_CvSvdBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const adouble fast = CompactSeries(Data(), kComponents, kPrecision);
  const adouble direct = DirectCompact(Data(), kComponents);
  if (fast != direct) {
    std::fprintf(stderr, "Compact differs from the direct computation\n");
    return 1;
  }
  std::printf("Compact (1..%d components):", kComponents);
  for (double v : fast)
    std::printf(" %.6g", v);
  std::printf("\n");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
