local Counter = {}
Counter.__index = Counter
function Counter.new() return setmetatable({value = 0}, Counter) end
function Counter:add(n) self.value = self.value + n end
function Counter:get() return self.value end
local c = Counter.new()
for i = 1, 3000000 do
  c:add(i % 3)
end
print(c:get())
