local total = 0
for i = 1, 200 do
  local parts = {}
  local len = 0
  while len < 20000 do
    local piece = tostring(i) .. ","
    parts[#parts + 1] = piece
    len = len + #piece
  end
  total = total + #table.concat(parts)
end
print(total)
