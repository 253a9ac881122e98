// Keeps the verdo_app library non-empty until the dialog lands.
namespace verdo { int kAppPlaceholder = 0; }
