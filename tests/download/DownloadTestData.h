#pragma once
// Small, valid Kepler texts for the download tests, in the two forms servers send.

#include <QByteArray>
#include <QList>

namespace nimbrel::download::testing {

// Two OMM records as CelesTrak's CSV has them (CR LF line ends): the ISS and a made-up 99990.
inline QByteArray OmmCsv() {
  return "OBJECT_NAME,OBJECT_ID,EPOCH,MEAN_MOTION,ECCENTRICITY,INCLINATION,RA_OF_ASC_NODE,ARG_OF_PERICENTER,"
         "MEAN_ANOMALY,EPHEMERIS_TYPE,CLASSIFICATION_TYPE,NORAD_CAT_ID,ELEMENT_SET_NO,REV_AT_EPOCH,BSTAR,"
         "MEAN_MOTION_DOT,MEAN_MOTION_DDOT\r\n"
         "ISS (ZARYA),1998-067A,2006-01-03T19:56:11.476032,15.73745284,.0010909,51.6458,312.4823,112.4787,"
         "338.3202,0,U,25544,84,40726,.13602e-3,.00019047,0\r\n"
         "DOWNLOADSAT,2006-001A,2006-01-03T19:56:11.476032,15.2,.0010909,51.6458,112.4823,112.4787,"
         "338.3202,0,U,99990,84,40726,.13602e-3,.00019047,0\r\n";
}

inline QByteArray TwoLine() {
  return "ISS (ZARYA)\n"
         "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844\n"
         "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269\n";
}

// `count` OMM CSV records of made-up satellites 90001, 90002, ... under the header of OmmCsv().
inline QByteArray OmmCsvSets(int count) {
  QByteArray csv = OmmCsv().left(OmmCsv().indexOf("\r\n") + 2);
  for (int i = 1; i <= count; ++i) {
    csv += "SAT " + QByteArray::number(i) + ",2006-001A,2006-01-03T19:56:11.476032,15.2,.0010909,51.6458," +
           QByteArray::number(i) + ".5,112.4787,338.3202,0,U," + QByteArray::number(90000 + i) +
           ",84,40726,.13602e-3,.00019047,0\r\n";
  }
  return csv;
}

// An element line with its catalogue number replaced and its checksum made right again.
inline QByteArray WithNumber(QByteArray line, int number) {
  line.replace(2, 5, QByteArray::number(number).rightJustified(5, '0'));
  int sum = 0;
  for (int i = 0; i < 68; ++i) sum += line[i] >= '0' && line[i] <= '9' ? line[i] - '0' : line[i] == '-';
  line[68] = static_cast<char>('0' + sum % 10);
  return line;
}

// `count` two-line sets of made-up satellites 90001, 90002, ...
inline QByteArray TwoLineSets(int count) {
  const QList<QByteArray> lines = TwoLine().split('\n');
  QByteArray text;
  for (int i = 1; i <= count; ++i) {
    text += "SAT " + QByteArray::number(i) + "\n" + WithNumber(lines[1], 90000 + i) + "\n" +
            WithNumber(lines[2], 90000 + i) + "\n";
  }
  return text;
}

}  // namespace nimbrel::download::testing
