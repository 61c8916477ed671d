#pragma once
// The in-memory table (the platform's client dataset): a cursor over rows of typed fields,
// filled from a data packet, from a table file, or row by row in code. Not thread-safe: one
// table is used by one thread at a time.
//
// Fields are either taken from the loaded packet or declared up front ("persistent fields"):
// with persistent fields, a packet must carry each of them by name with a compatible type, and
// TField objects stay valid for the table's whole life. Without them, the fields are rebuilt
// on each load, and TField references from before the load are invalid afterwards.

#include <memory>
#include <string>
#include <vector>

#include "rtl/data_packet.h"
#include "rtl/field_def.h"
#include "rtl/variant.h"

namespace rtl {

class TClientDataSet;

// One field of a table; reads and writes the current row.
class TField {
 public:
  const std::string& FieldName() const { return def_.name; }
  const FieldDef& Def() const { return def_; }
  FieldType DataType() const { return def_.type; }
  int Size() const { return def_.size; }

  bool IsNull() const;
  Variant Value() const;  // Null when the field is NULL
  // A NULL field reads as "", 0, 0.0, false and 0.0 (date-time) respectively; conversions
  // follow Variant's and raise the same errors.
  std::string AsString() const;
  int64_t AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;

  // Writes need the table in Append or Edit state (EDatabaseError otherwise). The value is
  // converted to the field's type on write; a text longer than a String field's width is cut
  // to the width on Post.
  void SetValue(const Variant& value);
  void SetAsString(const std::string& value) { SetValue(Variant(value)); }
  void SetAsFloat(double value) { SetValue(Variant(value)); }
  void SetAsDateTime(TDateTime value) { SetValue(Variant::FromDateTime(value)); }
  void Clear() { SetValue(Variant::Null()); }

 private:
  friend class TClientDataSet;
  TField(TClientDataSet* owner, FieldDef def) : owner_(owner), def_(std::move(def)) {}
  TClientDataSet* owner_;
  FieldDef def_;
  int index_ = -1;  // column in the table's rows
};

class TClientDataSet {
 public:
  explicit TClientDataSet(std::string name = "");
  ~TClientDataSet();
  TClientDataSet(const TClientDataSet&) = delete;
  TClientDataSet& operator=(const TClientDataSet&) = delete;

  const std::string& Name() const { return name_; }

  // Declares the persistent fields. Closes the table.
  void DeclareFields(std::vector<FieldDef> fields);
  bool HasPersistentFields() const { return persistent_; }

  // Replaces the contents with the packet in `data` and opens the table on its first row.
  // A variant that is not a packet fails with its own text as the EDatabaseError message
  // (a lookup's failure text). With persistent fields, a missing field or an incompatible type
  // fails with an EDatabaseError naming the field; extra packet columns are ignored.
  void SetData(const Variant& data);
  // The contents as a data packet (fields in field order, rows in table order).
  Variant Data() const;
  DataPacket Packet() const;

  // Creates an empty, open table from the declared fields (EDatabaseError without any).
  void CreateDataSet();
  // Removes every row; the table stays open.
  void EmptyDataSet();
  // Closes the table and drops its rows; persistent fields remain declared.
  void Close();
  bool Active() const { return active_; }

  // Table files (.cds), binary or XML, picked by content. Defined by the table-file library.
  void LoadFromFile(const std::string& path);
  enum class FileFormat { Binary, Xml };
  void SaveToFile(const std::string& path, FileFormat format = FileFormat::Binary) const;

  // Row editing. Append adds a row of NULLs at the end and makes it current; Edit edits the
  // current row; Post stores the edited row; Cancel drops the edit (and an appended row).
  void Append();
  void Edit();
  void Post();
  void Cancel();

  // Navigation. Eof is true on an empty table and after Next from the last row.
  void First();
  void Next();
  bool Eof() const;
  int RecordCount() const;
  bool IsEmpty() const { return RecordCount() == 0; }
  int RecNo() const;  // 1-based; 0 when there is no current row

  // Moves to the first row whose field `field_name` equals `value` (exact; texts
  // case-sensitive; numbers compared as numbers). Returns false and stays put when none does.
  bool Locate(const std::string& field_name, const Variant& value);

  int FieldCount() const;
  TField& Fields(int index);
  // Raise EDatabaseError "<table>: Field 'X' not found" when there is no such field.
  TField& FieldByName(const std::string& name);
  const TField& FieldByName(const std::string& name) const;
  TField* FindField(const std::string& name);
  std::vector<FieldDef> FieldDefs() const;

 private:
  friend class TField;
  enum class State { Browse, Insert, Edit };
  void RequireActive() const;
  void RequireEditing() const;
  void CheckBrowseMode();
  [[noreturn]] void Fail(const std::string& message) const;
  void BuildFields(const std::vector<FieldDef>& defs);
  void LoadPersistent(const DataPacket& packet);
  void Open();
  const Variant& CurrentValue(int index) const;
  void SetCurrentValue(int index, const Variant& value);

  std::string name_;
  bool persistent_ = false;
  bool active_ = false;
  State state_ = State::Browse;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<Row> rows_;
  int cursor_ = 0;     // index into rows_ of the current row (0 on an empty table)
  bool eof_ = true;    // set by Next from the last row and on an empty table
  Row edit_buffer_;    // the row being edited or appended
  int edit_row_ = -1;  // row being edited, or -1 when appending
};

}  // namespace rtl
