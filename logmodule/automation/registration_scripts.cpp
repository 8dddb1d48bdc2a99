#include "logmodule/automation/registration_scripts.h"

namespace corvex::automation {
namespace {

// The registration text of each class, numbered as the class table numbers
// them. %MODULE% becomes the library's full path when a text is applied.
constexpr char kScript101[] = R"rgs(HKCR
{
	Corvex.Log.1 = s 'Log Class'
	{
		CLSID = s '{1B466F30-659E-11D5-8ABD-00D0B760DD12}'
	}
	Corvex.Log = s 'Log Class'
	{
		CLSID = s '{1B466F30-659E-11D5-8ABD-00D0B760DD12}'
		CurVer = s 'Corvex.Log.1'
	}
	NoRemove CLSID
	{
		ForceRemove {1B466F30-659E-11D5-8ABD-00D0B760DD12} = s 'Log Class'
		{
			ProgID = s 'Corvex.Log.1'
			VersionIndependentProgID = s 'Corvex.Log'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

constexpr char kScript102[] = R"rgs(HKCR
{
	Corvex.LogRecord.1 = s 'LogRecord Class'
	{
		CLSID = s '{1B466F32-659E-11D5-8ABD-00D0B760DD12}'
	}
	Corvex.LogRecord = s 'LogRecord Class'
	{
		CLSID = s '{1B466F32-659E-11D5-8ABD-00D0B760DD12}'
		CurVer = s 'Corvex.LogRecord.1'
	}
	NoRemove CLSID
	{
		ForceRemove {1B466F32-659E-11D5-8ABD-00D0B760DD12} = s 'LogRecord Class'
		{
			ProgID = s 'Corvex.LogRecord.1'
			VersionIndependentProgID = s 'Corvex.LogRecord'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

constexpr char kScript103[] = R"rgs(HKCR
{
	Corvex.LogInfo.1 = s 'LogInfo Class'
	{
		CLSID = s '{1B466F34-659E-11D5-8ABD-00D0B760DD12}'
	}
	Corvex.LogInfo = s 'LogInfo Class'
	{
		CLSID = s '{1B466F34-659E-11D5-8ABD-00D0B760DD12}'
		CurVer = s 'Corvex.LogInfo.1'
	}
	NoRemove CLSID
	{
		ForceRemove {1B466F34-659E-11D5-8ABD-00D0B760DD12} = s 'LogInfo Class'
		{
			ProgID = s 'Corvex.LogInfo.1'
			VersionIndependentProgID = s 'Corvex.LogInfo'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

constexpr char kScript104[] = R"rgs(HKCR
{
	Corvex.LogUnit.1 = s 'LogUnit Class'
	{
		CLSID = s '{1B466F36-659E-11D5-8ABD-00D0B760DD12}'
	}
	Corvex.LogUnit = s 'LogUnit Class'
	{
		CLSID = s '{1B466F36-659E-11D5-8ABD-00D0B760DD12}'
		CurVer = s 'Corvex.LogUnit.1'
	}
	NoRemove CLSID
	{
		ForceRemove {1B466F36-659E-11D5-8ABD-00D0B760DD12} = s 'LogUnit Class'
		{
			ProgID = s 'Corvex.LogUnit.1'
			VersionIndependentProgID = s 'Corvex.LogUnit'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

constexpr char kScript105[] = R"rgs(HKCR
{
	Corvex.LogItem.1 = s 'LogItem Class'
	{
		CLSID = s '{A61CEEF4-668F-11D5-8ABD-00D0B760DD12}'
	}
	Corvex.LogItem = s 'LogItem Class'
	{
		CLSID = s '{A61CEEF4-668F-11D5-8ABD-00D0B760DD12}'
		CurVer = s 'Corvex.LogItem.1'
	}
	NoRemove CLSID
	{
		ForceRemove {A61CEEF4-668F-11D5-8ABD-00D0B760DD12} = s 'LogItem Class'
		{
			ProgID = s 'Corvex.LogItem.1'
			VersionIndependentProgID = s 'Corvex.LogItem'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

constexpr char kScript106[] = R"rgs(HKCR
{
	Corvex.UnitTypeInfo.1 = s 'UnitTypeInfo Class'
	{
		CLSID = s '{A61CEEF9-668F-11D5-8ABD-00D0B760DD12}'
	}
	Corvex.UnitTypeInfo = s 'UnitTypeInfo Class'
	{
		CLSID = s '{A61CEEF9-668F-11D5-8ABD-00D0B760DD12}'
		CurVer = s 'Corvex.UnitTypeInfo.1'
	}
	NoRemove CLSID
	{
		ForceRemove {A61CEEF9-668F-11D5-8ABD-00D0B760DD12} = s 'UnitTypeInfo Class'
		{
			ProgID = s 'Corvex.UnitTypeInfo.1'
			VersionIndependentProgID = s 'Corvex.UnitTypeInfo'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

constexpr char kScript108[] = R"rgs(HKCR
{
	Corvex.ConvertLog.1 = s 'ConvertLog Class'
	{
		CLSID = s '{D1E63B24-1B3F-11D6-8AE4-00D0B760DD12}'
	}
	Corvex.ConvertLog = s 'ConvertLog Class'
	{
		CLSID = s '{D1E63B24-1B3F-11D6-8AE4-00D0B760DD12}'
		CurVer = s 'Corvex.ConvertLog.1'
	}
	NoRemove CLSID
	{
		ForceRemove {D1E63B24-1B3F-11D6-8AE4-00D0B760DD12} = s 'ConvertLog Class'
		{
			ProgID = s 'Corvex.ConvertLog.1'
			VersionIndependentProgID = s 'Corvex.ConvertLog'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{1B466F21-659E-11D5-8ABD-00D0B760DD12}'
		}
	}
}
)rgs";

struct Script {
    int resource;
    std::string_view text;
};

constexpr Script kScripts[] = {
    {101, std::string_view(kScript101, sizeof kScript101 - 1)},
    {102, std::string_view(kScript102, sizeof kScript102 - 1)},
    {103, std::string_view(kScript103, sizeof kScript103 - 1)},
    {104, std::string_view(kScript104, sizeof kScript104 - 1)},
    {105, std::string_view(kScript105, sizeof kScript105 - 1)},
    {106, std::string_view(kScript106, sizeof kScript106 - 1)},
    {108, std::string_view(kScript108, sizeof kScript108 - 1)},
};

}  // namespace

std::optional<std::string_view> registration_script(int resource) {
    for (const Script& s : kScripts)
        if (s.resource == resource) return s.text;
    return std::nullopt;
}

}  // namespace corvex::automation
