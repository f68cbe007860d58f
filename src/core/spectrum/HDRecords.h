#pragma once
// On-disk records of HD run files. The layouts are byte-exact (packed,
// little-endian); only a prefix of each record is stored in the file.
#include <bit>
#include <cstddef>
#include <cstdint>

namespace sorrel {

static_assert(std::endian::native == std::endian::little,
              "HD run files are little-endian; this build assumes a little-endian machine");

#pragma pack(push, 1)
struct rCalibrationStructureOldFloat {
  uint8_t mass[1024];
  uint8_t intensity[1024];
  uint8_t Valid[512];
};

struct rRun_Stats {
  uint16_t magic;
  uint8_t software_version_number[8];
  uint16_t machine_type;
  uint32_t creation_date;
  rCalibrationStructureOldFloat old_default_calibration;
  rCalibrationStructureOldFloat old_created_calibration;
  rCalibrationStructureOldFloat old_current_calibration;
  uint16_t number_of_scans;
  uint8_t comment_fields[3188];
  uint8_t theos_zero_flag[6];  // in memory only
  float theos_zero;            // in memory only
};

struct rScan_stats {
  uint16_t scan_number;
  uint16_t stored_mode;
  uint32_t number_of_shots_per_scan;
  float number_of_scans_per_second;
  uint16_t tagged;
  uint16_t reserved1;
  uint32_t scan_time;
  int32_t max_peak_height_per_single_scan;
  int32_t max_mv_per_single_shot;
  int32_t max_peak_height;
  int32_t total_peak_area;
  uint32_t scan_record_length;
  uint16_t positive_ion, high_mass_range, reflectron, raster_x_on, raster_y_on, x_position,
      y_position, laser_power, laser_2_power;
  uint16_t reserved2;
  float parent_mass;
  uint16_t laser_2_time, scan_x_then_y, data_source, sample_number, m_tdc_length, m_tdc_rate,
      m_trans_rec_length, m_trans_rec_rate;
  float ions_per_adc_bit;  // in memory only
};
#pragma pack(pop)

static_assert(sizeof(rRun_Stats) == 10896);
static_assert(offsetof(rRun_Stats, number_of_scans) == 7696);
static_assert(offsetof(rRun_Stats, theos_zero) == 10892);
static_assert(sizeof(rScan_stats) == 84);
static_assert(offsetof(rScan_stats, parent_mass) == 60);

// Bytes of each record that are stored in the file.
inline constexpr size_t kRunStatsStoredSize = 9294;
inline constexpr size_t kScanStatsStoredSize = 80;
// Offset of the first scan header in the file.
inline constexpr uint64_t kFirstScanOffset = 23310;
// Size of one peak record: mass (double), intensity (int32), 2 spare bytes.
inline constexpr size_t kPeakRecordSize = 14;

}  // namespace sorrel
