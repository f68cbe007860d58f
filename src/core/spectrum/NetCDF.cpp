#include "core/spectrum/NetCDF.h"

#include <netcdf.h>
#include <netcdf_filter.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

namespace {

// A netCDF library call that failed, with the library's own text.
class NcFailure : public SorrelError {
 public:
  using SorrelError::SorrelError;
};

// Every status of the library is checked here.
void Nc(int status, const std::string& file) {
  if (status != NC_NOERR) throw NcFailure(file + ": " + nc_strerror(status));
}

// An open netCDF file, closed when it goes out of scope.
struct NcFile {
  int id = -1;
  NcFile() = default;
  NcFile(const NcFile&) = delete;
  NcFile& operator=(const NcFile&) = delete;
  ~NcFile() {
    if (id >= 0) nc_close(id);
  }
};

// Size of the netCDF library's I/O buffer when writing.
constexpr size_t kIoChunk = size_t{1} << 20;

// Points read from the file at a time: blocks that stay in the cache.
constexpr size_t kBlockPoints = size_t{1} << 16;

std::string ScanText(size_t i) {
  return "scan " + std::to_string(i);
}

// The ANDI/MS files mark a number that was not recorded with -9999 (most
// without a _FillValue attribute saying so).
constexpr double kAndiNull = -9999.0;

// ---------------------------------------------------------------- reading

// A numeric variable and how its stored values become values:
// value = stored * scale_factor + add_offset; stored values equal to
// _FillValue are missing.
struct NumVar {
  int id = -1;
  nc_type type = NC_NAT;
  double scale = 1.0, offset = 0.0;
  bool hasFill = false;
  double fill = 0.0;

  bool Missing(double raw) const {
    if (!hasFill) return false;
    return std::isnan(fill) ? std::isnan(raw) : raw == fill;
  }
  double Value(double raw) const { return raw * scale + offset; }
};

bool NumericAtt(int nc, int var, const char* name, double& out) {
  nc_type type;
  size_t len = 0;
  if (nc_inq_att(nc, var, name, &type, &len) != NC_NOERR) return false;
  if (len != 1 || type == NC_CHAR || type == NC_STRING) return false;
  return nc_get_att_double(nc, var, name, &out) == NC_NOERR;
}

class Reader {
 public:
  Reader(int nc, std::string file) : nc_(nc), file_(std::move(file)) {}

  bool Has(const char* name, int& id) const { return nc_inq_varid(nc_, name, &id) == NC_NOERR; }

  // A one-dimensional numeric variable; its length in `len`.
  NumVar Numeric(const char* name, size_t& len) const {
    NumVar v;
    Nc(nc_inq_varid(nc_, name, &v.id), file_);
    int ndims = 0;
    Nc(nc_inq_var(nc_, v.id, nullptr, &v.type, &ndims, nullptr, nullptr), file_);
    if (ndims != 1)
      throw SorrelError(file_ + ": the variable " + name + " is not a list of values");
    if (v.type == NC_CHAR || v.type == NC_STRING)
      throw SorrelError(file_ + ": the variable " + name + " does not hold numbers");
    int dim = 0;
    Nc(nc_inq_vardimid(nc_, v.id, &dim), file_);
    Nc(nc_inq_dimlen(nc_, dim, &len), file_);
    NumericAtt(nc_, v.id, "scale_factor", v.scale);
    NumericAtt(nc_, v.id, "add_offset", v.offset);
    v.hasFill = NumericAtt(nc_, v.id, "_FillValue", v.fill);
    if (!std::isfinite(v.scale) || !std::isfinite(v.offset))
      throw SorrelError(file_ + ": the scale_factor or add_offset of " + name + " is not a number");
    return v;
  }

  std::vector<double> Doubles(const NumVar& v, size_t start, size_t count) const {
    std::vector<double> out;
    DoublesInto(v, start, count, out);
    return out;
  }
  // Into a buffer that is kept from block to block.
  void DoublesInto(const NumVar& v, size_t start, size_t count, std::vector<double>& out) const {
    out.resize(count);
    if (count == 0) return;
    Nc(nc_get_vara_double(nc_, v.id, &start, &count, out.data()), file_);
  }

  std::vector<long long> Integers(const NumVar& v, size_t count) const {
    std::vector<long long> out(count);
    if (count == 0) return out;
    size_t start = 0;
    Nc(nc_get_vara_longlong(nc_, v.id, &start, &count, out.data()), file_);
    return out;
  }

  // The first row of a text variable (or a global text attribute of that
  // name), without its padding; empty when there is none.
  std::string Text(const char* name) const {
    int id;
    if (Has(name, id)) {
      nc_type type;
      int ndims = 0;
      if (nc_inq_var(nc_, id, nullptr, &type, &ndims, nullptr, nullptr) != NC_NOERR ||
          type != NC_CHAR || ndims < 1 || ndims > NC_MAX_VAR_DIMS)
        return {};
      std::vector<int> dims(static_cast<size_t>(ndims));
      if (nc_inq_vardimid(nc_, id, dims.data()) != NC_NOERR) return {};
      std::vector<size_t> start(dims.size(), 0), count(dims.size(), 1);
      size_t rowLen = 0;
      if (nc_inq_dimlen(nc_, dims.back(), &rowLen) != NC_NOERR) return {};
      for (size_t d = 0; d + 1 < dims.size(); ++d) {
        size_t len = 0;
        if (nc_inq_dimlen(nc_, dims[d], &len) != NC_NOERR || len == 0) return {};
      }
      rowLen = std::min<size_t>(rowLen, 4096);
      count.back() = rowLen;
      std::string row(rowLen, '\0');
      if (rowLen == 0 ||
          nc_get_vara_text(nc_, id, start.data(), count.data(), row.data()) != NC_NOERR)
        return {};
      return Clean(row);
    }
    nc_type type;
    size_t len = 0;
    if (nc_inq_att(nc_, NC_GLOBAL, name, &type, &len) != NC_NOERR || type != NC_CHAR || len > 4096)
      return {};
    std::string text(len, '\0');
    if (len && nc_get_att_text(nc_, NC_GLOBAL, name, text.data()) != NC_NOERR) return {};
    return Clean(text);
  }

 private:
  static std::string Clean(std::string s) {
    s = s.substr(0, s.find('\0'));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n'))
      s.pop_back();
    return DecodeText(s);
  }
  int nc_;
  std::string file_;
};

size_t TypeSize(nc_type t) {
  switch (t) {
    case NC_BYTE:
    case NC_UBYTE:
    case NC_CHAR:
      return 1;
    case NC_SHORT:
    case NC_USHORT:
      return 2;
    case NC_INT:
    case NC_UINT:
    case NC_FLOAT:
      return 4;
    default:
      return 8;
  }
}

// The points of a scan stored without fill values or scaling, as floats.
// False when a value is not a finite float. The sum of the intensities is
// only made when the file has no total for the scan.
template <bool Sum>
bool ConvertPlain(const double* m, const double* a, size_t n, tXYarray& out, bool& sorted,
                  double& sum) {
  out.resize(n);
  dPoint* o = out.data();
  bool finite = true, ascending = true;
  double total = 0.0;
  float last = -std::numeric_limits<float>::infinity();
  for (size_t k = 0; k < n; ++k) {
    float fm = static_cast<float>(m[k]);
    float fa = static_cast<float>(a[k]);
    finite &= std::isfinite(fm) & std::isfinite(fa);
    ascending &= !(fm < last);
    last = fm;
    o[k] = {fm, fa};
    if constexpr (Sum) total += fa;
  }
  sorted = ascending;
  sum = total;
  return finite;
}

// Where the points of each scan lie in mass_values.
//
// Real files disagree on point_count: most give the peaks of the scan
// (some store flag entries after them, before the next scan_index), some
// give a count that runs into the next scan. When any scan's point_count
// overruns the next scan's start, the file's counts are not to be
// trusted and each scan runs up to the next scan_index (the last one up to
// the end of mass_values). Otherwise point_count is taken as it is.
void PlaceScans(const std::string& file, size_t nScans, size_t nPoints, bool hasIndex,
                const std::vector<long long>& index, bool hasCount,
                const std::vector<long long>& counts, std::vector<int64_t>& first,
                std::vector<int64_t>& count) {
  first.assign(nScans, 0);
  count.assign(nScans, 0);
  const auto p = static_cast<long long>(nPoints);
  for (size_t i = 0; i < nScans; ++i) {
    if (hasIndex && index[i] < 0)
      throw SorrelError(file + ": " + ScanText(i) + " has a negative scan_index (" +
                        std::to_string(index[i]) + ")");
    if (hasCount && counts[i] < 0)
      throw SorrelError(file + ": " + ScanText(i) + " has a negative point_count (" +
                        std::to_string(counts[i]) + ")");
  }
  bool ascending = true;
  if (hasIndex)
    for (size_t i = 0; i + 1 < nScans; ++i)
      if (index[i + 1] < index[i]) ascending = false;

  if (hasIndex && hasCount) {
    bool overrun = false;
    if (ascending)
      for (size_t i = 0; i + 1 < nScans; ++i)
        if (counts[i] > index[i + 1] - index[i]) overrun = true;
    for (size_t i = 0; i < nScans; ++i) {
      first[i] = index[i];
      if (overrun) {
        long long next = i + 1 < nScans ? index[i + 1] : p;
        count[i] = std::max(0LL, next - index[i]);
      } else {
        count[i] = counts[i];
      }
    }
  } else if (hasIndex) {
    if (!ascending)
      throw SorrelError(file +
                        ": scan_index is not in ascending order and there is no point_count");
    for (size_t i = 0; i < nScans; ++i) {
      long long next = i + 1 < nScans ? index[i + 1] : p;
      first[i] = index[i];
      count[i] = std::max(0LL, next - index[i]);
    }
  } else {
    long long at = 0;
    for (size_t i = 0; i < nScans; ++i) {
      first[i] = at;
      count[i] = counts[i];
      at += counts[i];
      if (at > p) break;  // reported below
    }
  }
  for (size_t i = 0; i < nScans; ++i)
    if (first[i] > p || count[i] > p - first[i])
      throw SorrelError(file + ": " + ScanText(i) + " points outside mass_values (scan_index " +
                        std::to_string(first[i]) + ", point_count " + std::to_string(count[i]) +
                        ", " + std::to_string(nPoints) + " points in the file)");
}

// The header of a classic netCDF file (CDF-1, CDF-2, CDF-5) walked before
// the library reads it. The library allocates every name and attribute
// value at the length the header claims (gigabytes for a damaged file of
// a few bytes) before it finds that the file does not hold it, and it
// divides by zero (the program dies) on a variable of a type the format
// does not have or with the record dimension after its first dimension.
// Such headers are refused here; other formats (netCDF-4) are left to the
// library. The walk goes through the whole header, however long, reading
// only the counts and the first bytes of each name: a claim anywhere in
// it is held against the length of the file before the library sees it.
class ClassicHeader {
 public:
  explicit ClassicHeader(const std::string& file) {
    try {
      in_ = std::make_unique<HDReader>(file);
    } catch (const SorrelError&) {
      // The library says what is wrong with a file that cannot be read.
    }
  }

  // What is wrong with the header; empty when nothing is found.
  std::string Problem() {
    if (!in_ || in_->Size() < 4) return {};
    const uint8_t* magic = in_->Next(4);
    if (!magic || std::memcmp(magic, "CDF", 3) != 0) return {};
    const int version = magic[3];
    if (version != 1 && version != 2 && version != 5) return {};
    wide_ = version == 5;
    lastType_ = wide_ ? 11 : 6;
    try {
      Count();  // numrecs
      List(10, [this] {
        Name();
        recordDim_.push_back(Count() == 0);
      });
      List(12, [this] { Attribute(); });
      List(11, [this, version] {
        const std::string name = Name();
        const uint64_t ndims = Count();
        if (ndims > Size() / 4) throw Beyond{};
        for (uint64_t k = 0; k < ndims; ++k) {
          const uint64_t id = Count();
          if (id >= recordDim_.size())
            throw Damaged{"the variable " + name + " names no dimension"};
          if (k > 0 && recordDim_[id])
            throw Damaged{"the variable " + name +
                          " has the record dimension after its first dimension"};
        }
        List(12, [this] { Attribute(); });
        const uint64_t type = Number(4);
        if (type < 1 || type > lastType_)
          throw Damaged{"the variable " + name + " is of the unknown type " + std::to_string(type)};
        Count();                        // vsize
        Skip(1, version == 1 ? 4 : 8);  // begin
      });
    } catch (const Beyond&) {
      return "its header claims more than the file holds (it is damaged or cut short)";
    } catch (const Damaged& d) {
      return "its header is damaged: " + d.what;
    } catch (const Stop&) {
    }
    return {};
  }

 private:
  struct Beyond {};  // past the end of the file
  struct Damaged {
    std::string what;
  };
  struct Stop {};  // the walk cannot go on; the library will judge

  uint64_t Size() const { return in_->Size(); }
  void Need(uint64_t n) {
    if (n > Size() - std::min(in_->Pos(), Size())) throw Beyond{};
  }
  // The next `n` bytes (at most 256), which the file holds.
  const uint8_t* Take(size_t n) {
    Need(n);
    const uint8_t* p = in_->Next(n);
    if (!p) throw Beyond{};  // cut short while it is read
    return p;
  }
  uint64_t Number(int width) {
    const uint8_t* p = Take(static_cast<size_t>(width));
    uint64_t v = 0;
    for (int i = 0; i < width; ++i)
      v = (v << 8) | p[i];
    return v;
  }
  uint64_t Count() { return Number(wide_ ? 8 : 4); }
  // The length of `n` items of `each` bytes, padded to 4 bytes, which the
  // file holds.
  uint64_t Padded(uint64_t n, uint64_t each) {
    if (each != 0 && n > Size() / each) throw Beyond{};
    uint64_t bytes = n * each;
    bytes += (4 - bytes % 4) % 4;
    Need(bytes);
    return bytes;
  }
  void Skip(uint64_t n, uint64_t each) { in_->Skip(static_cast<size_t>(Padded(n, each))); }
  std::string Name() {
    const uint64_t n = Count();
    const uint64_t bytes = Padded(n, 1);
    const size_t shown = static_cast<size_t>(std::min<uint64_t>(n, 256));
    const uint8_t* p = Take(shown);
    std::string text(reinterpret_cast<const char*>(p), shown);
    in_->Skip(static_cast<size_t>(bytes - shown));
    return DecodeText(text);
  }
  void Attribute() {
    const std::string name = Name();
    const uint64_t type = Number(4);
    if (type < 1 || type > lastType_)
      throw Damaged{"the attribute " + name + " is of the unknown type " + std::to_string(type)};
    Skip(Count(), TypeSize(static_cast<nc_type>(type)));
  }
  // A list: its tag and its count, then each item. The library takes a
  // count of zero as no list whatever the tag, and refuses a list of
  // items under another tag.
  template <class Item>
  void List(uint64_t tag, Item item) {
    const uint64_t t = Number(4);
    const uint64_t n = Count();
    if (n == 0) return;
    if (t != tag) throw Stop{};
    // Every item takes at least four bytes.
    if (n > Size() / 4) throw Beyond{};
    for (uint64_t i = 0; i < n; ++i)
      item();
  }

  std::unique_ptr<HDReader> in_;
  bool wide_ = false;
  uint64_t lastType_ = 6;
  std::vector<bool> recordDim_;  // of each dimension: the record dimension (length 0)
};

}  // namespace

namespace {

// Opens the file with the library, after its header has been checked.
void OpenWithLibrary(const std::string& file, NcFile& nc) {
  if (std::string problem = ClassicHeader(file).Problem(); !problem.empty())
    throw SorrelError(file + " cannot be read as a netCDF file: " + problem);
  size_t buffer = kNetCDFReadBuffer;
  int status = nc__open(file.c_str(), NC_NOWRITE, &buffer, &nc.id);
  if (status != NC_NOERR) {
    nc.id = -1;
    throw SorrelError(file + " cannot be read as a netCDF file: " + nc_strerror(status));
  }
}

// A damaged header can claim any number of values, and the reader sizes
// its arrays by the claim, so a claim must fit the file. In the classic
// formats every value is stored. A netCDF-4 file stores what was written,
// packed by its filters (deflate packs at most 1032 bytes into one), and
// gives values never written back as fill values without storing them: a
// file of 30 kB can claim 300 million points, which would take gigabytes
// and a minute to hand over.
class SizeCheck {
 public:
  SizeCheck(int nc, const std::string& file) : nc_(nc), file_(file) {
    int format = 0;
    Nc(nc_inq_format(nc, &format), file);
    classic_ =
        format == NC_FORMAT_CLASSIC || format == NC_FORMAT_64BIT_OFFSET || format == NC_FORMAT_CDF5;
    struct stat st {};
    if (stat(file.c_str(), &st) == 0) fileSize_ = static_cast<long double>(st.st_size);
  }
  // `values` values of each of the variables `vars`, `bytesEach` bytes
  // together.
  void MustFit(size_t values, size_t bytesEach, std::initializer_list<int> vars,
               const char* what) const {
    if (fileSize_ < 0) return;
    long double room = fileSize_;
    if (!classic_)
      for (int v : vars)
        if (Packed(v)) room = fileSize_ * kMostPacking;
    if (static_cast<long double>(values) * bytesEach > room)
      throw SorrelError(file_ + " claims " + std::to_string(values) + " " + what +
                        ", more than the file holds: it is damaged or cut short");
  }

 private:
  static constexpr long double kMostPacking = 1032;
  bool Packed(int var) const {
    size_t filters = 0;
    return nc_inq_var_filter_ids(nc_, var, &filters, nullptr) == NC_NOERR && filters > 0;
  }
  int nc_;
  const std::string& file_;
  bool classic_ = true;
  long double fileSize_ = -1;
};

// The two point arrays of a run: mass_values and intensity_values.
struct PointArrays {
  NumVar mass, inten;
  size_t count = 0;
  // Neither fill values nor scaling: every stored value is a point.
  bool Plain() const {
    return !mass.hasFill && !inten.hasFill && mass.scale == 1.0 && mass.offset == 0.0 &&
           inten.scale == 1.0 && inten.offset == 0.0;
  }
};

PointArrays FindPointArrays(const Reader& r, const std::string& file, const SizeCheck& size) {
  int id;
  if (!r.Has("mass_values", id) || !r.Has("intensity_values", id)) {
    std::string why = r.Has("ordinate_values", id) ? " (it is a chromatography file)" : "";
    throw SorrelError(file +
                      " is a netCDF file but not an ANDI/MS mass spectrometry run: it has "
                      "no mass_values and intensity_values" +
                      why);
  }
  PointArrays p;
  size_t nIntensities = 0;
  p.mass = r.Numeric("mass_values", p.count);
  p.inten = r.Numeric("intensity_values", nIntensities);
  if (nIntensities != p.count)
    throw SorrelError(file + ": mass_values holds " + std::to_string(p.count) +
                      " values but intensity_values " + std::to_string(nIntensities));
  size.MustFit(p.count, TypeSize(p.mass.type) + TypeSize(p.inten.type), {p.mass.id, p.inten.id},
               "points");
  return p;
}

// Where the points of each scan lie in the point arrays.
struct ScanLayout {
  std::vector<int64_t> first, count;
  size_t Size() const { return first.size(); }
};

ScanLayout ReadScanLayout(const Reader& r, const std::string& file, const SizeCheck& size,
                          size_t nPoints) {
  int id;
  bool hasIndex = r.Has("scan_index", id), hasCount = r.Has("point_count", id);
  if (!hasIndex && !hasCount)
    throw SorrelError(file + ": the file has neither scan_index nor point_count");
  size_t nScans = 0, len = 0;
  NumVar indexVar, countVar;
  if (hasIndex) indexVar = r.Numeric("scan_index", nScans);
  if (hasCount) {
    countVar = r.Numeric("point_count", len);
    if (hasIndex && len != nScans)
      throw SorrelError(file + ": scan_index and point_count differ in length");
    nScans = len;
  }
  if (nScans == 0) throw SorrelError(file + " holds no scans");
  size.MustFit(nScans,
               (hasIndex ? TypeSize(indexVar.type) : 0) + (hasCount ? TypeSize(countVar.type) : 0),
               {indexVar.id, countVar.id}, "scans");
  std::vector<long long> index = hasIndex ? r.Integers(indexVar, nScans) : std::vector<long long>{};
  std::vector<long long> counts =
      hasCount ? r.Integers(countVar, nScans) : std::vector<long long>{};
  ScanLayout layout;
  PlaceScans(file, nScans, nPoints, hasIndex, index, hasCount, counts, layout.first, layout.count);
  return layout;
}

// The retention times of the scans. Library files have none (or the same
// fill value for every scan); their scans are numbered 0, 1, 2, ... as in
// cache files, and so are the scans of a file whose times do not ascend.
std::vector<float> ReadRetentionTimes(const Reader& r, const std::string& file, size_t nScans) {
  std::vector<float> times(nScans);
  bool haveTimes = false;
  int id;
  if (r.Has("scan_acquisition_time", id)) {
    size_t len = 0;
    NumVar tv = r.Numeric("scan_acquisition_time", len);
    if (len != nScans)
      throw SorrelError(file + ": scan_acquisition_time has " + std::to_string(len) +
                        " values for " + std::to_string(nScans) + " scans");
    std::vector<double> raw = r.Doubles(tv, 0, nScans);
    bool missing = false, ascending = true, allEqual = true;
    for (size_t i = 0; i < nScans; ++i) {
      if (tv.Missing(raw[i]) || raw[i] == kAndiNull) missing = true;
      times[i] = static_cast<float>(tv.Value(raw[i]));
      if (!std::isfinite(times[i])) missing = true;
      if (i > 0 && !(times[i - 1] < times[i])) ascending = false;
      if (i > 0 && raw[i] != raw[0]) allEqual = false;
    }
    haveTimes = !missing && ascending;
    if (!haveTimes && !(allEqual && nScans > 1) && !missing)
      Ui().ShowMessage(file +
                       ": the scan times are not in ascending order; the scans are numbered 0, "
                       "1, 2, ... instead");
  }
  if (!haveTimes)
    for (size_t i = 0; i < nScans; ++i)
      times[i] = static_cast<float>(i);
  return times;
}

// The total intensities the file gives, where it gives them; the others
// are summed from the points.
class ScanTotals {
 public:
  ScanTotals(const Reader& r, size_t nScans) {
    int id;
    size_t len = 0;
    if (!r.Has("total_intensity", id)) return;
    var_ = r.Numeric("total_intensity", len);
    if (len != nScans) return;
    raw_ = r.Doubles(var_, 0, nScans);
    have_ = true;
  }
  bool InFile(size_t s) const { return have_ && !var_.Missing(raw_[s]) && raw_[s] != kAndiNull; }
  double Value(size_t s) const { return var_.Value(raw_[s]); }

 private:
  NumVar var_;
  std::vector<double> raw_;
  bool have_ = false;
};

// The points of a scan whose stored values need a fill value left out or a
// scale applied. False when a value is not a finite float.
bool ConvertScaled(const PointArrays& p, const double* m, const double* a, size_t n, tXYarray& out,
                   bool& sorted, double& sum) {
  out.clear();
  out.reserve(n);
  bool finite = true;
  sorted = true;
  sum = 0.0;
  for (size_t k = 0; k < n; ++k) {
    if (p.mass.Missing(m[k]) || p.inten.Missing(a[k])) continue;
    float fm = static_cast<float>(p.mass.Value(m[k]));
    float fa = static_cast<float>(p.inten.Value(a[k]));
    finite &= std::isfinite(fm) & std::isfinite(fa);
    if (!out.empty() && fm < out.back()[0]) sorted = false;
    out.push_back({fm, fa});
    sum += fa;
  }
  return finite;
}

// Reads the points of every scan, in slabs of neighbouring scans that are
// converted while they are in the cache, and the chromatogram beside them.
// The number of scans whose total intensity the file gave.
size_t ReadScans(const Reader& r, const std::string& file, const PointArrays& p,
                 const ScanLayout& layout, const std::vector<float>& times,
                 const ScanTotals& totals, tMass& scans, tXYarray& chrom) {
  const size_t nScans = layout.Size();
  const bool plain = p.Plain();
  scans.resize(nScans);
  chrom.resize(nScans);
  std::vector<double> m, a;
  m.reserve(kBlockPoints);
  a.reserve(kBlockPoints);
  WorkProgressReport progress("Reading " + file, static_cast<int64_t>(nScans));
  size_t totalsFromFile = 0;
  for (size_t i = 0; i < nScans;) {
    progress.Step(static_cast<int64_t>(i));
    const int64_t lo = layout.first[i];
    int64_t hi = lo + layout.count[i];
    size_t j = i + 1;
    while (j < nScans && layout.first[j] >= hi &&
           layout.first[j] + layout.count[j] - lo <= static_cast<int64_t>(kBlockPoints)) {
      hi = layout.first[j] + layout.count[j];
      ++j;
    }
    r.DoublesInto(p.mass, static_cast<size_t>(lo), static_cast<size_t>(hi - lo), m);
    r.DoublesInto(p.inten, static_cast<size_t>(lo), static_cast<size_t>(hi - lo), a);
    for (size_t s = i; s < j; ++s) {
      tXYarray& scan = scans[s];
      const size_t from = static_cast<size_t>(layout.first[s] - lo);
      const size_t n = static_cast<size_t>(layout.count[s]);
      double sum = 0.0;
      bool sorted = true, finite = true;
      const bool fileTotal = totals.InFile(s);
      totalsFromFile += fileTotal;
      if (!plain)
        finite = ConvertScaled(p, m.data() + from, a.data() + from, n, scan, sorted, sum);
      else if (fileTotal)
        finite = ConvertPlain<false>(m.data() + from, a.data() + from, n, scan, sorted, sum);
      else
        finite = ConvertPlain<true>(m.data() + from, a.data() + from, n, scan, sorted, sum);
      if (!finite)
        throw SorrelError(file + ": " + ScanText(s) + " holds a value that is not a number");
      // Masses ascend within a scan everywhere in the system; SID files
      // list their ions in the order they were monitored.
      if (!sorted)
        std::stable_sort(scan.begin(), scan.end(),
                         [](const dPoint& x, const dPoint& y) { return x[0] < y[0]; });
      float total = static_cast<float>(fileTotal ? totals.Value(s) : sum);
      if (!std::isfinite(total))
        throw SorrelError(file + ": the total intensity of " + ScanText(s) + " is not a number");
      chrom[s] = {times[s], total};
    }
    i = j;
  }
  return totalsFromFile;
}

}  // namespace

bool TnetCDF::Open(const std::string& oFilename) {
  if (!Spec) throw SorrelError("Internal error <netCDF> #1");
  const std::string& file = oFilename;
  NcFile nc;
  OpenWithLibrary(file, nc);
  Reader r(nc.id, file);
  SizeCheck size(nc.id, file);
  const PointArrays points = FindPointArrays(r, file, size);
  const ScanLayout layout = ReadScanLayout(r, file, size, points.count);
  const std::vector<float> times = ReadRetentionTimes(r, file, layout.Size());
  const ScanTotals totals(r, layout.Size());
  tMass scans;
  tXYarray chrom;
  const size_t totalsFromFile = ReadScans(r, file, points, layout, times, totals, scans, chrom);

  instrument_name = r.Text("instrument_name");
  instrument_id = r.Text("instrument_id");
  instrument_mfr = r.Text("instrument_mfr");
  instrument_model = r.Text("instrument_model");
  instrument_os_version = r.Text("instrument_os_version");
  instrument_sw_version = r.Text("instrument_sw_version");

  // The store now holds the run in memory.
  Spec->CMass.clear();
  Spec->TakeRun(std::move(chrom), std::move(scans));
  Spec->SetTotalsFromFile(static_cast<int32_t>(totalsFromFile));
  return true;
}

tXYarray TnetCDF::ReadSpectrum(int32_t Idx) {
  if (!Spec) return {};
  return Spec->GetMass(Idx);
}

namespace {

// The point counts of the scans, counted before any file is touched, so
// that a run too large for the export leaves everything as it was. Scans
// that are read from a file (an HD run, the cache) are kept from this
// reading, so that the file is read once; the export is limited to
// 20 000 000 points, so they take at most 160 MB.
struct ExportCounts {
  std::vector<int> counts;
  int64_t total = 0;
  bool kept = false;
  std::vector<dPoint> points;  // the kept points, scan after scan
};

ExportCounts CountPoints(TSpec& spec) {
  const size_t nScans = static_cast<size_t>(spec.NSpec());
  ExportCounts c;
  c.kept = spec.FromFileOn() || spec.CasheOn();
  c.counts.resize(nScans);
  WorkProgressReport progress("Reading the scans of the run", static_cast<int64_t>(nScans));
  for (size_t i = 0; i < nScans; ++i) {
    progress.Step(static_cast<int64_t>(i));
    const tXYarray& scan = spec.GetMass(static_cast<int32_t>(i));
    size_t n = scan.size();
    if (n > static_cast<size_t>(kMaxNetCDFPoints)) n = static_cast<size_t>(kMaxNetCDFPoints) + 1;
    c.counts[i] = static_cast<int>(n);
    c.total += static_cast<int64_t>(n);
    if (c.kept && c.total <= kMaxNetCDFPoints)
      c.points.insert(c.points.end(), scan.begin(), scan.end());
  }
  return c;
}

// The variables of the export, in the order they are defined.
struct ExportVars {
  int index = -1, count = -1, time = -1, total = -1, mass = -1, inten = -1;
};

ExportVars DefineExport(int nc, const std::string& file, size_t nScans, size_t nPoints) {
  int scanDim = 0, pointDim = 0;
  Nc(nc_def_dim(nc, "scan_number", nScans, &scanDim), file);
  Nc(nc_def_dim(nc, "point_number", nPoints, &pointDim), file);
  ExportVars v;
  Nc(nc_def_var(nc, "scan_index", NC_INT, 1, &scanDim, &v.index), file);
  Nc(nc_def_var(nc, "point_count", NC_INT, 1, &scanDim, &v.count), file);
  Nc(nc_def_var(nc, "scan_acquisition_time", NC_DOUBLE, 1, &scanDim, &v.time), file);
  Nc(nc_def_var(nc, "total_intensity", NC_DOUBLE, 1, &scanDim, &v.total), file);
  Nc(nc_def_var(nc, "mass_values", NC_DOUBLE, 1, &pointDim, &v.mass), file);
  Nc(nc_def_var(nc, "intensity_values", NC_DOUBLE, 1, &pointDim, &v.inten), file);
  Nc(nc_enddef(nc), file);
  return v;
}

// The per-scan variables: times and totals from the chromatogram, the
// index of each scan's first point and its point count.
void WriteScanTables(int nc, const std::string& file, const ExportVars& v, const tXYarray& chrom,
                     const std::vector<int>& counts) {
  const size_t nScans = counts.size();
  std::vector<double> times(nScans), totals(nScans);
  std::vector<int> index(nScans);
  int at = 0;
  for (size_t i = 0; i < nScans; ++i) {
    times[i] = chrom[i][0];
    totals[i] = chrom[i][1];
    index[i] = at;
    at += counts[i];
  }
  size_t start = 0, len = nScans;
  Nc(nc_put_vara_double(nc, v.time, &start, &len, times.data()), file);
  Nc(nc_put_vara_double(nc, v.total, &start, &len, totals.data()), file);
  Nc(nc_put_vara_int(nc, v.index, &start, &len, index.data()), file);
  Nc(nc_put_vara_int(nc, v.count, &start, &len, counts.data()), file);
}

// All points of all scans in scan order, written a block at a time: first
// every mass, then every intensity, so that the library writes each
// variable front to back.
void WritePointArrays(int nc, const std::string& file, const ExportVars& v, TSpec& spec,
                      const ExportCounts& c) {
  const size_t nScans = c.counts.size();
  std::vector<double> values;
  values.reserve(kBlockPoints);
  WorkProgressReport progress("Saving " + file, 2 * static_cast<int64_t>(nScans));
  for (int part = 0; part < 2; ++part) {
    const int var = part == 0 ? v.mass : v.inten;
    size_t written = 0;
    auto flush = [&] {
      if (values.empty()) return;
      size_t at = written, n = values.size();
      Nc(nc_put_vara_double(nc, var, &at, &n, values.data()), file);
      written += n;
      values.clear();
    };
    size_t k = 0;  // next kept point
    for (size_t i = 0; i < nScans; ++i) {
      progress.Step(static_cast<int64_t>(part * nScans + i));
      const dPoint* p = nullptr;
      size_t n = static_cast<size_t>(c.counts[i]);
      if (c.kept) {
        p = c.points.data() + k;
        k += n;
      } else {
        const tXYarray& scan = spec.GetMass(static_cast<int32_t>(i));
        if (scan.size() != n)
          throw SorrelError(file + ": " + ScanText(i) + " changed while it was saved");
        p = scan.data();
      }
      for (size_t j = 0; j < n; ++j)
        values.push_back(p[j][part]);
      if (values.size() >= kBlockPoints) flush();
    }
    flush();
  }
}

}  // namespace

bool TnetCDF::Save(const std::string& sFilename) {
  if (!Spec || Spec->NSpec() == 0) {
    Ui().ShowMessage("No data to save in " + sFilename +
                     ": a netCDF file holds a run of scans, and there is none (a single "
                     "spectrum is saved as .txt)");
    return false;
  }
  TSpec& spec = *Spec;
  const ExportCounts counts = CountPoints(spec);
  if (counts.total > kMaxNetCDFPoints) {
    Ui().ShowMessage("Too large GC/MS spectrum: " + sFilename + " would hold more than " +
                     std::to_string(kMaxNetCDFPoints) + " points, the most a netCDF export holds");
    return false;
  }

  SafeFileWriter out(sFilename);
  out.CloseHandle();
  try {
    NcFile nc;
    // A large I/O buffer: the library otherwise writes (and first reads)
    // the file a few kilobytes at a time.
    size_t chunk = kIoChunk;
    Nc(nc__create(out.TempPath().c_str(), NC_CLOBBER, 0, &chunk, &nc.id), sFilename);
    int oldFill = 0;
    Nc(nc_set_fill(nc.id, NC_NOFILL, &oldFill), sFilename);  // every value is written
    const ExportVars vars =
        DefineExport(nc.id, sFilename, counts.counts.size(), static_cast<size_t>(counts.total));
    WriteScanTables(nc.id, sFilename, vars, spec.Chrom, counts.counts);
    WritePointArrays(nc.id, sFilename, vars, spec, counts);
    int id = nc.id;
    nc.id = -1;
    Nc(nc_close(id), sFilename);
  } catch (const NcFailure& e) {
    Ui().ShowMessage(e.what());
    return false;
  }
  out.Commit();
  return true;
}

}  // namespace sorrel
